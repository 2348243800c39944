// Cost of the manual's search: the index built once, then a search on every key typed, with the
// snippets of the rows it shows.

#include "tilewick/manual/ManualSearch.h"
#include "tilewick/manual/ManualText.h"

#include <chrono>
#include <cstdio>
#include <functional>

using namespace tilewick::Manual;
using Clock = std::chrono::steady_clock;

namespace {

double microseconds(const std::function<void()>& work, int count = 1) {
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i)
        work();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
}

} // namespace

int main() {
    std::printf("index and folded rows, first search:  %8.1f us\n",
                microseconds([] { search(QStringLiteral("x")); }));
    std::printf("rows in the index:                    %8lld\n", static_cast<long long>(entries().size()));
    const char* queries[] = {"a", "hotkey", "Séttings WINDOW", "left two-thirds", "no such word"};
    for (const char* query : queries) {
        const QString text = QString::fromUtf8(query);
        std::size_t found = 0;
        const double perSearch = microseconds([&] { found = search(text).size(); }, 20000);
        const double withSnippets = microseconds(
            [&] {
                const QStringList queryWords = words(text);
                for (const Entry& entry : search(text))
                    snippet(entry.text, queryWords);
            },
            2000);
        std::printf("search %-18s %2zu rows: %6.1f us, with snippets %7.1f us\n",
                    (QStringLiteral("\"") + text + QStringLiteral("\"")).toUtf8().constData(), found,
                    perSearch, withSnippets);
    }
    return 0;
}
