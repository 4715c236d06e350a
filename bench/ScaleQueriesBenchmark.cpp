// Query times on a snapshot already in a store file: the children of one directory, and a
// search under "/" (count plus the first 1000). Prints the first run of each (the file's
// pages not yet mapped) and the median of five more.
//
//   ScaleQueriesBenchmark STORE DIRECTORY TEXT

#include "objectstore/StoreContainer.h"
#include "store/VistrelFile.h"
#include "store/VistrelFileSearch.h"
#include "store/VistrelModelContainer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

using namespace vistrel;

namespace {

struct Times {
    double first = 0;
    double median = 0;
};

Times measure(const std::function<void()>& run)
{
    std::vector<double> times;
    for (int round = 0; round < 6; ++round) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    const double first = times.front();
    times.erase(times.begin());
    std::sort(times.begin(), times.end());
    return {first, times[times.size() / 2]};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: ScaleQueriesBenchmark STORE DIRECTORY TEXT\n");
        return 2;
    }
    try {
        auto container
            = VistrelModelContainer::shared().makeContainer(argv[1], VistrelModelContainer::Access::readOnly);
        const FileUrl directory = FileUrl::directory(argv[2]);
        const std::string text = argv[3];
        std::size_t childCount = 0;
        const Times children
            = measure([&] { childCount = VistrelFile::children(directory, container->mainContext()).size(); });
        VistrelFileSearch::Result found;
        const Times search
            = measure([&] { found = VistrelFileSearch::search(FileUrl("/"), text, container->mainContext()); });
        std::printf("children of %s: %zu rows; search \"%s\" under /: %lld matches, %zu rows\n",
                    directory.path().c_str(), childCount, text.c_str(), static_cast<long long>(found.total),
                    found.files.size());
        std::printf("children_first_ms=%.0f children_ms=%.0f search_first_ms=%.0f search_ms=%.0f\n", children.first,
                    children.median, search.first, search.median);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ScaleQueriesBenchmark: %s\n", error.what());
        return 1;
    }
    return 0;
}
