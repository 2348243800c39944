#include "platform/ResidentFilePages.h"

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using platform::ResidentFilePages;

const std::size_t kPage = std::size_t(sysconf(_SC_PAGESIZE));
// Touched pages lie this far apart, beyond the pages the kernel maps around a fault.
constexpr std::size_t kApart = 128;

char pageByte(std::size_t page) {
    return char(page * 7 + 1);
}

bool resident(const volatile char* at) {
    const int fd = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    std::uint64_t entry = 0;
    const auto read = pread(fd, &entry, sizeof entry, off_t(std::uintptr_t(at) / kPage * sizeof entry));
    close(fd);
    return read == sizeof entry && entry >> 63;
}

// A file of 4 × kApart pages, each filled with its own byte, mapped privately.
class MappedFile {
public:
    explicit MappedFile(int protection) {
        EXPECT_TRUE(m_file.open());
        for (std::size_t page = 0; page < 4 * kApart; ++page)
            m_file.write(QByteArray(int(kPage), pageByte(page)));
        m_file.flush();
        m_data = static_cast<char*>(mmap(nullptr, size(), protection, MAP_PRIVATE, m_file.handle(), 0));
        EXPECT_NE(m_data, MAP_FAILED);
    }
    ~MappedFile() { munmap(m_data, size()); }
    std::size_t size() const { return 4 * kApart * kPage; }
    volatile char* page(std::size_t index) { return m_data + index * kPage; }

private:
    QTemporaryFile m_file;
    char* m_data = nullptr;
};

// Each way of reading the page table: the kernel's scan where it has one, and page by page.
class ResidentFilePagesTest : public ::testing::TestWithParam<ResidentFilePages::Reading> {
protected:
    void SetUp() override {
        if (access("/proc/self/pagemap", R_OK) != 0)
            GTEST_SKIP() << "no pagemap on this system";
    }
};

TEST_P(ResidentFilePagesTest, GivesBackOnlyReadOnlyPagesBroughtInSinceTheSnapshot) {
    MappedFile code(PROT_READ);
    (void)*code.page(0);
    const ResidentFilePages before = ResidentFilePages::now(GetParam());
    ASSERT_FALSE(before.empty());
    (void)*code.page(kApart);
    MappedFile later(PROT_READ); // mapped after the snapshot: nothing of it was resident then
    (void)*later.page(0);
    ASSERT_TRUE(resident(code.page(kApart)));

    EXPECT_GE(before.handBackNewSince(), 2 * kPage);
    EXPECT_TRUE(resident(code.page(0)));
    EXPECT_FALSE(resident(code.page(kApart)));
    EXPECT_FALSE(resident(later.page(0)));
    // Read again from the same file pages.
    EXPECT_EQ(*code.page(kApart), pageByte(kApart));
    EXPECT_EQ(*later.page(0), pageByte(0));
}

TEST_P(ResidentFilePagesTest, KeepsWritableMappingsAndPrivateCopies) {
    MappedFile data(PROT_READ | PROT_WRITE);
    // Relocated read-only data: written while writable, then made read-only, so its pages are
    // private copies in a mapping that no longer looks writable.
    MappedFile relocated(PROT_READ | PROT_WRITE);
    const ResidentFilePages before = ResidentFilePages::now(GetParam());
    *data.page(0) = 'w';
    (void)*data.page(kApart);
    *relocated.page(0) = 'r';
    (void)*relocated.page(2 * kApart);
    ASSERT_EQ(mprotect(const_cast<char*>(relocated.page(0)), relocated.size(), PROT_READ), 0);

    before.handBackNewSince();
    EXPECT_EQ(*data.page(0), 'w');
    EXPECT_TRUE(resident(data.page(kApart)));
    EXPECT_EQ(*relocated.page(0), 'r');
    // The copy's neighbour that was only read is the file's page, and goes.
    EXPECT_FALSE(resident(relocated.page(2 * kApart)));
    EXPECT_EQ(*relocated.page(2 * kApart), pageByte(2 * kApart));
}

INSTANTIATE_TEST_SUITE_P(Readings, ResidentFilePagesTest,
                         ::testing::Values(ResidentFilePages::Reading::Fastest,
                                           ResidentFilePages::Reading::PageByPage));

} // namespace
