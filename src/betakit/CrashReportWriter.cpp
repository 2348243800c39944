#include "CrashReportWriter.h"

#include "platform/FileAccess.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include <elf.h>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <setjmp.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <ucontext.h>
#include <unistd.h>

namespace betakit {

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kMaxFrames = 64;
constexpr std::size_t kMaxImages = 1024;
constexpr std::size_t kFieldLimit = 120;

struct Image {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    std::uintptr_t base = 0;
};

// Everything the handler needs, prepared by install() and only read while the handler runs.
struct Prepared {
    std::string folder;
    std::string namePrefix; // "<processName>-"
    std::string header;     // the header line with its line feed
    std::string bodyStart;  // "{" and the members that don't change with the crash, then ","
    std::string bodyEnd;    // the "usedImages" member, "}" and a line feed
    Image images[kMaxImages];
    std::size_t imageCount = 0;
    pid_t mainThread = 0;
};

Prepared g_prepared;
std::atomic<bool> g_handling{false};
alignas(16) char g_alternateStack[64 * 1024];
// Where a fault inside the unwinder returns to.
sigjmp_buf g_unwindEscape;

// A field CrashReader accepts: 1 to 120 characters of A-Z a-z 0-9 and " _.,:()+#-". Other
// characters become "-".
std::string field(const QString& text) {
    std::string out;
    for (const QChar c : text) {
        if (out.size() == kFieldLimit)
            break;
        const char16_t u = c.unicode();
        const bool allowed = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
                             std::char_traits<char16_t>::find(u" _.,:()+#-", 10, u) != nullptr;
        out.push_back(allowed ? char(u) : '-');
    }
    return out;
}

// `"key":"value"` when the value is a usable field; nothing otherwise.
void member(std::string& json, const char* key, const std::string& value) {
    if (value.empty())
        return;
    if (json.back() != '{')
        json += ',';
    json += '"';
    json += key;
    json += "\":\"";
    json += value;
    json += '"';
}

std::string buildId(const dl_phdr_info* info) {
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const auto& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_NOTE)
            continue;
        auto* note = reinterpret_cast<const char*>(info->dlpi_addr + segment.p_vaddr);
        const char* end = note + segment.p_memsz;
        while (note + sizeof(ElfW(Nhdr)) <= end) {
            const auto* header = reinterpret_cast<const ElfW(Nhdr)*>(note);
            const char* name = note + sizeof(ElfW(Nhdr));
            const char* desc = name + ((header->n_namesz + 3) & ~3u);
            if (header->n_type == NT_GNU_BUILD_ID && header->n_namesz == 4 &&
                std::memcmp(name, "GNU", 4) == 0 && desc + header->n_descsz <= end) {
                std::string id;
                for (unsigned j = 0; j < header->n_descsz && id.size() < kFieldLimit; ++j) {
                    const auto byte = static_cast<unsigned char>(desc[j]);
                    id += digits[byte >> 4];
                    id += digits[byte & 15];
                }
                return id;
            }
            note = desc + ((header->n_descsz + 3) & ~3u);
        }
    }
    return {};
}

struct ImageScan {
    std::string json;
    const QString* executable;
};

int scanImage(dl_phdr_info* info, size_t, void* data) {
    auto& scan = *static_cast<ImageScan*>(data);
    if (g_prepared.imageCount == kMaxImages)
        return 1;
    Image image;
    image.base = info->dlpi_addr;
    image.start = UINTPTR_MAX;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const auto& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD)
            continue;
        image.start = std::min<std::uintptr_t>(image.start, info->dlpi_addr + segment.p_vaddr);
        image.end = std::max<std::uintptr_t>(image.end, info->dlpi_addr + segment.p_vaddr + segment.p_memsz);
    }
    if (image.start >= image.end)
        return 0;
    // The executable itself comes without a name.
    const QString path = QString::fromLocal8Bit(info->dlpi_name ? info->dlpi_name : "");
    const QString name = path.isEmpty() ? *scan.executable : path.section(u'/', -1);
    std::string object = "{";
    member(object, "name", field(name));
#if defined(__x86_64__)
    member(object, "arch", "x86_64");
#elif defined(__aarch64__)
    member(object, "arch", "arm64");
#endif
    member(object, "uuid", buildId(info));
    object += object.back() == '{' ? "" : ",";
    object += "\"base\":" + std::to_string(image.base) + "}";
    if (g_prepared.imageCount > 0)
        scan.json += ',';
    scan.json += object;
    g_prepared.images[g_prepared.imageCount++] = image;
    return 0;
}

// Output without allocation: a fixed buffer written out with write(2).
class Out {
public:
    explicit Out(int fd) : m_fd(fd) {}
    ~Out() { flush(); }

    void put(const char* text, std::size_t length) {
        while (length > 0) {
            if (m_used == sizeof m_buffer)
                flush();
            const std::size_t n = std::min(length, sizeof m_buffer - m_used);
            std::memcpy(m_buffer + m_used, text, n);
            m_used += n;
            text += n;
            length -= n;
        }
    }
    void put(const char* text) { put(text, std::strlen(text)); }
    void put(const std::string& text) { put(text.data(), text.size()); }
    void number(std::uint64_t value, int base = 10, int minDigits = 1) {
        char digits[24];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value > 0 || n < minDigits);
        char reversed[24];
        for (int i = 0; i < n; ++i)
            reversed[i] = digits[n - 1 - i];
        put(reversed, n);
    }
    void flush() {
        const char* data = m_buffer;
        while (m_used > 0) {
            const ssize_t n = ::write(m_fd, data, m_used);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = false;
                m_used = 0;
                return;
            }
            data += n;
            m_used -= std::size_t(n);
        }
    }

    bool ok = true;

private:
    int m_fd;
    char m_buffer[4096];
    std::size_t m_used = 0;
};

struct SignalNames {
    int signal;
    const char* name;
    const char* description;
};
constexpr SignalNames kSignalNames[] = {
    {SIGSEGV, "SIGSEGV", "Segmentation fault"}, {SIGBUS, "SIGBUS", "Bus error"},
    {SIGILL, "SIGILL", "Illegal instruction"},  {SIGFPE, "SIGFPE", "Floating point exception"},
    {SIGABRT, "SIGABRT", "Abort trap"},
};

const char* codeName(int signal, int code) {
    switch (signal) {
    case SIGSEGV:
        return code == SEGV_MAPERR ? "SEGV_MAPERR" : code == SEGV_ACCERR ? "SEGV_ACCERR" : nullptr;
    case SIGBUS:
        return code == BUS_ADRALN   ? "BUS_ADRALN"
               : code == BUS_ADRERR ? "BUS_ADRERR"
               : code == BUS_OBJERR ? "BUS_OBJERR"
                                    : nullptr;
    case SIGILL:
        return code == ILL_ILLOPC   ? "ILL_ILLOPC"
               : code == ILL_ILLOPN ? "ILL_ILLOPN"
               : code == ILL_PRVOPC ? "ILL_PRVOPC"
                                    : nullptr;
    case SIGFPE:
        return code == FPE_INTDIV   ? "FPE_INTDIV"
               : code == FPE_FLTDIV ? "FPE_FLTDIV"
               : code == FPE_INTOVF ? "FPE_INTOVF"
                                    : nullptr;
    default:
        return nullptr;
    }
}

int openReport() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    // Civil date from days since 1970-01-01.
    const std::int64_t seconds = now.tv_sec;
    const std::int64_t days = seconds / 86400;
    const std::int64_t secondOfDay = seconds % 86400;
    const std::int64_t z = days + 719468;
    const std::int64_t era = z / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2);

    ::mkdir(g_prepared.folder.c_str(), 0700);
    char path[4096 + 64];
    for (int attempt = 0; attempt < 10; ++attempt) {
        // Built with a fixed buffer: no allocation here.
        std::size_t n = 0;
        const auto add = [&](const char* text, std::size_t length) {
            if (n + length < sizeof path) {
                std::memcpy(path + n, text, length);
                n += length;
            }
        };
        const auto addNumber = [&](std::int64_t value, int digits) {
            char text[8];
            for (int i = digits - 1; i >= 0; --i, value /= 10)
                text[i] = char('0' + value % 10);
            add(text, digits);
        };
        add(g_prepared.folder.data(), g_prepared.folder.size());
        add("/", 1);
        add(g_prepared.namePrefix.data(), g_prepared.namePrefix.size());
        addNumber(year, 4);
        add("-", 1);
        addNumber(month, 2);
        add("-", 1);
        addNumber(day, 2);
        add("-", 1);
        addNumber(secondOfDay / 3600, 2);
        addNumber(secondOfDay / 60 % 60, 2);
        addNumber(secondOfDay % 60, 2);
        if (attempt > 0) {
            add("-", 1);
            addNumber(attempt, 1);
        }
        add(".ips", 5); // with the terminating zero
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

std::uintptr_t interruptedAddress(const void* context) {
    if (!context)
        return 0;
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return std::uintptr_t(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return std::uintptr_t(uc->uc_mcontext.pc);
#else
    (void)uc;
    return 0;
#endif
}

extern "C" void escapeFromUnwinder(int) {
    siglongjmp(g_unwindEscape, 1);
}

// The frames of the crashed thread, as many as the unwinder gathers before it ends or faults. A
// call through a wild function pointer leaves a pc without unwind information, whose code the
// unwinder then reads, and faults again inside backtrace(); that fault returns here with the
// frames gathered so far, instead of killing the process before a byte of the report is written.
int gatherFrames(void** frames) {
    for (int i = 0; i < kMaxFrames; ++i)
        frames[i] = nullptr;
    struct sigaction escape {};
    escape.sa_handler = escapeFromUnwinder;
    escape.sa_flags = SA_ONSTACK | SA_NODEFER;
    sigemptyset(&escape.sa_mask);
    constexpr int kFaults[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
    struct sigaction previous[std::size(kFaults)];
    sigset_t faults;
    sigemptyset(&faults);
    for (std::size_t i = 0; i < std::size(kFaults); ++i) {
        sigaction(kFaults[i], &escape, &previous[i]);
        sigaddset(&faults, kFaults[i]);
    }
    int count = 0;
    // A fault while its signal is blocked would end the process at once; the jump restores the
    // mask saved here.
    if (sigsetjmp(g_unwindEscape, 1) == 0) {
        pthread_sigmask(SIG_UNBLOCK, &faults, nullptr);
        count = backtrace(frames, kMaxFrames);
    } else {
        // backtrace() stores each frame as it goes.
        while (count < kMaxFrames && frames[count])
            ++count;
    }
    for (std::size_t i = 0; i < std::size(kFaults); ++i)
        sigaction(kFaults[i], &previous[i], nullptr);
    return count;
}

bool writeReport(int signal, const siginfo_t* info, const void* context) {
    const int fd = openReport();
    if (fd < 0)
        return false;
    void* frames[kMaxFrames];
    int count = gatherFrames(frames);
    // The report starts at the interrupted instruction, not in this handler.
    const std::uintptr_t interrupted = interruptedAddress(context);
    int first = -1;
    for (int i = 0; i < count && i < 8; ++i)
        if (std::uintptr_t(frames[i]) == interrupted)
            first = i;
    if (first < 0 && context) {
        // The unwinder stopped (at pc 0) or faulted before it reached the interrupted instruction,
        // so it gathered only this handler's own frames: the interrupted address alone says more.
        frames[0] = reinterpret_cast<void*>(interrupted);
        count = 1;
    }
    first = std::max(first, 0);

    const SignalNames* names = nullptr;
    for (const auto& candidate : kSignalNames)
        if (candidate.signal == signal)
            names = &candidate;

    bool ok;
    {
        Out out(fd);
        out.put(g_prepared.header);
        out.put(g_prepared.bodyStart);
        out.put("\"exception\":{\"type\":\"Fatal signal\"");
        if (names) {
            out.put(",\"signal\":\"");
            out.put(names->name);
            out.put("\"");
        }
        if (info) {
            if (info->si_code <= 0) {
                out.put(",\"subtype\":\"sent by process ");
                out.number(std::uint64_t(info->si_pid));
                out.put("\"");
            } else if (const char* code = codeName(signal, info->si_code)) {
                out.put(",\"subtype\":\"");
                out.put(code);
                out.put(" at 0x");
                out.number(std::uintptr_t(info->si_addr), 16);
                out.put("\"");
            }
        }
        out.put("},\"termination\":{\"namespace\":\"SIGNAL\",\"code\":");
        out.number(std::uint64_t(signal));
        if (names) {
            out.put(",\"indicator\":\"");
            out.put(names->description);
            out.put(": ");
            out.number(std::uint64_t(signal));
            out.put("\"");
        }
        out.put("},\"faultingThread\":0,\"threads\":[{\"triggered\":true");
        if (::getpid() == g_prepared.mainThread && ::gettid() == g_prepared.mainThread)
            out.put(",\"queue\":\"main\"");
        out.put(",\"frames\":[");
        for (int i = first; i < count; ++i) {
            const auto address = std::uintptr_t(frames[i]);
            out.put(i == first ? "{" : ",{");
            const Image* image = nullptr;
            std::size_t index = 0;
            for (; index < g_prepared.imageCount; ++index)
                if (address >= g_prepared.images[index].start && address < g_prepared.images[index].end) {
                    image = &g_prepared.images[index];
                    break;
                }
            if (image) {
                out.put("\"imageIndex\":");
                out.number(index);
                out.put(",\"imageOffset\":");
                out.number(address - image->base);
            } else {
                out.put("\"imageOffset\":");
                out.number(address);
            }
            out.put("}");
        }
        out.put("]}],");
        out.put(g_prepared.bodyEnd);
        out.flush();
        ok = out.ok;
    }
    ::close(fd);
    return ok;
}

void handleFatalSignal(int signal, siginfo_t* info, void* context) {
    if (!g_handling.exchange(true))
        writeReport(signal, info, context);
    // Die of the same signal, as if nothing had been installed.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    raise(signal);
}

} // namespace

void CrashReportWriter::install(const QString& folder, const Identity& identity) {
    // Reports are the user's own (0600), and so is the folder that lists them.
    platform::makePrivateFolders(folder);
    g_prepared.folder = QDir::cleanPath(folder).toStdString();
    g_prepared.namePrefix = identity.processName.toStdString() + "-";
    g_prepared.mainThread = ::getpid();

    std::string header = "{";
    member(header, "app_name", field(identity.processName));
    member(header, "app_version", field(identity.version));
    member(header, "build_version", field(identity.build));
    member(header, "bug_type", "309");
    g_prepared.header = header + "}\n";

    utsname system{};
    ::uname(&system);
    std::string body = "{";
    member(body, "procName", field(identity.processName));
    std::string os = "{";
    member(os, "train",
           field(QString::fromLocal8Bit(system.sysname) + u' ' + QString::fromLocal8Bit(system.release)));
    member(os, "build", field(QString::fromLocal8Bit(system.version)));
    body += ",\"osVersion\":" + os + "}";
    member(body, "cpuType", field(QString::fromLocal8Bit(system.machine)));
    g_prepared.bodyStart = body + ",";

    g_prepared.imageCount = 0;
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget().section(u'/', -1);
    ImageScan scan{std::string(), &executable};
    dl_iterate_phdr(scanImage, &scan);
    g_prepared.bodyEnd = "\"usedImages\":[" + scan.json + "]}\n";

    // backtrace() loads its unwinder on first use; that must not happen in the handler.
    void* warmUp[2];
    backtrace(warmUp, 2);

    // A stack overflow leaves no stack for the handler: it runs on its own.
    stack_t alternate{};
    alternate.ss_sp = g_alternateStack;
    alternate.ss_size = sizeof g_alternateStack;
    sigaltstack(&alternate, nullptr);

    struct sigaction action {};
    action.sa_sigaction = handleFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : kFatalSignals)
        sigaction(signal, &action, nullptr);
}

bool CrashReportWriter::writeReportForTesting(int signal) {
    siginfo_t info{};
    info.si_code = SI_USER;
    info.si_pid = ::getpid();
    return writeReport(signal, &info, nullptr);
}

} // namespace betakit
