#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace platform {

// Which pages of the process's read-only file mappings (libraries' code and read-only data) are in
// its page tables, and so counted in its resident memory. Code a window ran stays mapped after the
// window closes, and executable pages are the last the kernel reclaims; handing back what was not
// resident before the window first showed brings the process back to where it was. The pages stay
// in the page cache: touched again, they come back with a minor fault, from the same file pages.
// Linux only (/proc/self/maps and /proc/self/pagemap); elsewhere, or where pagemap cannot be read,
// a snapshot is empty and nothing is handed back.
class ResidentFilePages {
public:
    // How the page table is read: with the kernel's scan of whole ranges where it has one (Linux
    // 6.7 and later; a few tenths of a millisecond for a Qt program), else an entry per page of
    // each read-only file mapping (about a millisecond).
    enum class Reading { Fastest, PageByPage };

    // The file pages resident now; at least those of every private, read-only file mapping.
    static ResidentFilePages now(Reading reading = Reading::Fastest);

    // Gives back (madvise MADV_DONTNEED, in contiguous runs) the pages of private file mappings that
    // are not writable (code and read-only data) that are resident now but were not in this
    // snapshot, and that are still the file's own page (never a private copy). Writable mappings
    // are never touched: a copy-on-write between the look and the release would be lost. Mappings
    // made after the snapshot count as not resident in it. Returns the bytes given back.
    std::size_t handBackNewSince() const;

    bool empty() const { return m_resident.empty(); }

private:
    using Range = std::pair<std::uintptr_t, std::uintptr_t>; // [start, end)

    Reading m_reading = Reading::Fastest;
    std::vector<Range> m_resident; // by address, apart
};

// Notes, once, what is resident before the first window is made; later calls do nothing. Main
// thread only.
void noteResidentFilePages();

// Hands back what was brought in since the note (nothing without one). Main thread only, with no
// other thread mapping or unmapping libraries. Returns the bytes given back.
std::size_t handBackFilePagesSinceNoted();

} // namespace platform
