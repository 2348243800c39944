#include "ResidentFilePages.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#if defined(__linux__)
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

#if defined(__linux__)

// A page table entry as /proc/self/pagemap gives it: present in the process, and the file's own
// page (a private copy made by a write is anonymous and lacks the bit).
constexpr std::uint64_t kPresent = std::uint64_t(1) << 63;
constexpr std::uint64_t kFilePage = std::uint64_t(1) << 61;

// The kernel's scan of the page table by ranges (PAGEMAP_SCAN, Linux 6.7), declared here as the
// kernel defines it, since older kernel headers lack it; an older kernel refuses the call.
struct PagemapScan {
    std::uint64_t size, flags, start, end, walkEnd, regions, regionCount, maxPages;
    std::uint64_t categoriesInverted, categoriesAll, categoriesAny, categoriesReturned;
};
struct PageRegion {
    std::uint64_t start, end, categories;
};
constexpr unsigned long kPagemapScan = _IOWR('f', 16, PagemapScan);
constexpr std::uint64_t kScanFilePage = 1 << 2, kScanPresent = 1 << 3;

// The top of user space, when known, so that one scan covers every mapping.
#if defined(__x86_64__)
constexpr std::uintptr_t kUserTop = 0x7ffffffff000;
#elif defined(__aarch64__)
constexpr std::uintptr_t kUserTop = std::uintptr_t(1) << 48;
#else
constexpr std::uintptr_t kUserTop = 0;
#endif

std::uintptr_t pageSize() {
    static const std::uintptr_t size = std::uintptr_t(sysconf(_SC_PAGESIZE));
    return size;
}

using Range = std::pair<std::uintptr_t, std::uintptr_t>;

// The private mappings of a file that the process cannot write: code (r-x) and read-only data
// (r--), with neither the stack, the heap nor any other anonymous mapping. By address.
std::vector<Range> readOnlyFileMappings() {
    std::vector<Range> mappings;
    FILE* maps = std::fopen("/proc/self/maps", "re");
    if (!maps)
        return mappings;
    char* line = nullptr;
    size_t capacity = 0;
    while (getline(&line, &capacity, maps) > 0) {
        unsigned long start = 0, end = 0, inode = 0;
        char perms[5] = {};
        if (std::sscanf(line, "%lx-%lx %4s %*x %*x:%*x %lu", &start, &end, perms, &inode) != 4)
            continue;
        const bool readable = perms[0] == 'r' || perms[2] == 'x';
        if (inode != 0 && perms[1] != 'w' && perms[3] == 'p' && readable)
            mappings.emplace_back(start, end);
    }
    std::free(line);
    std::fclose(maps);
    return mappings;
}

// The process's page table.
class Pagemap {
public:
    explicit Pagemap(ResidentFilePages::Reading reading)
        : m_fd(open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC)),
          m_scans(reading == ResidentFilePages::Reading::Fastest) {}
    ~Pagemap() {
        if (m_fd >= 0)
            close(m_fd);
    }
    Pagemap(const Pagemap&) = delete;
    Pagemap& operator=(const Pagemap&) = delete;

    bool readable() const { return m_fd >= 0; }
    bool scans() const { return m_scans; }

    // Which pages a reading is after: those present in the process, or only those of them that
    // are the file's own (telling them apart takes the kernel a look at each page).
    enum class Pages { Present, FilesOwn };

    // Calls `take(start, end)` for each run of such pages of [from, to), in order; false if the
    // table could not be read.
    template <typename Take> bool runs(Pages pages, std::uintptr_t from, std::uintptr_t to, Take&& take) {
        if (m_scans && scan(pages, from, to, take))
            return true;
        m_scans = false;
        return pageByPage(pages, from, to, take);
    }

    // The same with the kernel's scan alone; false where there is none.
    template <typename Take> bool scan(Pages pages, std::uintptr_t from, std::uintptr_t to, Take&& take) {
        PageRegion regions[256];
        PagemapScan arg{};
        arg.size = sizeof arg;
        arg.start = from;
        arg.end = to;
        arg.regions = std::uintptr_t(regions);
        arg.regionCount = std::size(regions);
        arg.categoriesAll = arg.categoriesReturned =
            kScanPresent | (pages == Pages::FilesOwn ? kScanFilePage : 0);
        while (arg.start < to) {
            const int found = ioctl(m_fd, kPagemapScan, &arg);
            if (found < 0 || arg.walkEnd <= arg.start)
                return false;
            for (int i = 0; i < found; ++i)
                take(std::uintptr_t(regions[i].start), std::uintptr_t(regions[i].end));
            arg.start = arg.walkEnd;
        }
        return true;
    }

private:
    template <typename Take>
    bool pageByPage(Pages pages, std::uintptr_t from, std::uintptr_t to, Take&& take) {
        const std::uint64_t wanted = kPresent | (pages == Pages::FilesOwn ? kFilePage : 0);
        const std::uintptr_t page = pageSize();
        std::uint64_t entries[512];
        std::optional<std::uintptr_t> runStart;
        for (std::uintptr_t at = from; at < to;) {
            const std::size_t count = std::min<std::uintptr_t>(std::size(entries), (to - at) / page);
            const ssize_t got =
                pread(m_fd, entries, count * sizeof *entries, off_t(at / page * sizeof *entries));
            if (got < ssize_t(sizeof *entries))
                return false;
            const std::size_t read = std::size_t(got) / sizeof *entries;
            for (std::size_t i = 0; i < read; ++i) {
                const bool resident = (entries[i] & wanted) == wanted;
                if (resident && !runStart)
                    runStart = at + i * page;
                else if (!resident && runStart)
                    take(*std::exchange(runStart, std::nullopt), at + i * page);
            }
            at += read * page;
        }
        if (runStart)
            take(*runStart, to);
        return true;
    }

    int m_fd;
    bool m_scans;
};

#endif

} // namespace

ResidentFilePages ResidentFilePages::now(Reading reading) {
    ResidentFilePages pages;
    pages.m_reading = reading;
#if defined(__linux__)
    Pagemap pagemap(reading);
    if (!pagemap.readable())
        return pages;
    auto add = [&](std::uintptr_t start, std::uintptr_t end) {
        if (!pages.m_resident.empty() && pages.m_resident.back().second == start)
            pages.m_resident.back().second = end;
        else
            pages.m_resident.emplace_back(start, end);
    };
    // Present is enough: a private copy that was there is never handed back either. One scan of
    // the whole address space needs no list of the mappings.
    if (pagemap.scans() && kUserTop && pagemap.scan(Pagemap::Pages::Present, pageSize(), kUserTop, add))
        return pages;
    pages.m_resident.clear();
    for (const auto& [start, end] : readOnlyFileMappings())
        if (!pagemap.runs(Pagemap::Pages::Present, start, end, add))
            return {};
    // A scan refused part way is read again page by page: the runs may then overlap.
    std::sort(pages.m_resident.begin(), pages.m_resident.end());
    std::vector<Range> apart;
    for (const Range& range : pages.m_resident) {
        if (!apart.empty() && range.first <= apart.back().second)
            apart.back().second = std::max(apart.back().second, range.second);
        else
            apart.push_back(range);
    }
    pages.m_resident = std::move(apart);
#endif
    return pages;
}

std::size_t ResidentFilePages::handBackNewSince() const {
    std::size_t handedBack = 0;
#if defined(__linux__)
    if (empty())
        return 0;
    Pagemap pagemap(m_reading);
    if (!pagemap.readable())
        return 0;
    auto giveBack = [&](std::uintptr_t start, std::uintptr_t end) {
        if (madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED) == 0)
            handedBack += end - start;
    };
    // Each run resident now, less what was resident in the snapshot.
    auto giveBackNew = [&](std::uintptr_t start, std::uintptr_t end) {
        auto before = std::partition_point(m_resident.begin(), m_resident.end(),
                                           [start](const Range& range) { return range.second <= start; });
        for (; start < end && before != m_resident.end() && before->first < end; ++before) {
            if (before->first > start)
                giveBack(start, before->first);
            start = std::max(start, before->second);
        }
        if (start < end)
            giveBack(start, end);
    };
    for (const auto& [start, end] : readOnlyFileMappings())
        pagemap.runs(Pagemap::Pages::FilesOwn, start, end, giveBackNew);
#endif
    return handedBack;
}

namespace {

std::optional<ResidentFilePages>& noted() {
    static std::optional<ResidentFilePages> pages;
    return pages;
}

} // namespace

void noteResidentFilePages() {
    if (!noted())
        noted() = ResidentFilePages::now();
}

std::size_t handBackFilePagesSinceNoted() {
    return noted() ? noted()->handBackNewSince() : 0;
}

} // namespace platform
