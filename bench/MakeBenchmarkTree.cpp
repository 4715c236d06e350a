// Builds the benchmark tree: a deterministic directory tree of about FILES files in DIRS
// directories under ROOT. Most files are sparse (a size without blocks) so the tree costs
// little disk; one in ten holds real data, one in a hundred is a second hard link and one
// in a hundred a symbolic link. With WIDE, the first WIDE files all go to ROOT/wide, a
// directory with that many direct entries.
//
//   MakeBenchmarkTree ROOT [FILES [DIRS [WIDE]]]   (default 1000000 files in 50000 directories)

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "MakeBenchmarkTree: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: MakeBenchmarkTree ROOT [FILES [DIRS [WIDE]]]\n");
        return 2;
    }
    const std::string root = argv[1];
    const long files = argc > 2 ? std::atol(argv[2]) : 1000000;
    const long directories = argc > 3 ? std::atol(argv[3]) : 50000;
    const long wide = argc > 4 ? std::atol(argv[4]) : 0;
    if (::mkdir(root.c_str(), 0755) != 0 && errno != EEXIST)
        fail("mkdir " + root);

    std::mt19937_64 random(42);
    // Each new directory goes under a random earlier one, so depths spread out (up to ~12).
    std::vector<std::string> paths{root};
    std::vector<int> depths{0};
    paths.reserve(static_cast<std::size_t>(directories));
    for (long index = 1; index < directories; ++index) {
        std::size_t parent = random() % paths.size();
        if (depths[parent] >= 11)
            parent = random() % std::min<std::size_t>(paths.size(), 64);
        const std::string path = paths[parent] + "/d" + std::to_string(index);
        if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
            fail("mkdir " + path);
        paths.push_back(path);
        depths.push_back(depths[parent] + 1);
    }
    const std::string wideDirectory = root + "/wide";
    if (wide > 0 && ::mkdir(wideDirectory.c_str(), 0755) != 0 && errno != EEXIST)
        fail("mkdir " + wideDirectory);
    std::vector<char> data(4096, 'v');
    std::string lastFile;
    for (long index = 0; index < files; ++index) {
        const std::string& directory = index < wide ? wideDirectory : paths[random() % paths.size()];
        const std::string path = directory + "/f" + std::to_string(index) + (index % 7 == 0 ? ".txt" : ".bin");
        const unsigned kind = random() % 100;
        if (kind == 0 && !lastFile.empty()) {
            if (::link(lastFile.c_str(), path.c_str()) != 0 && errno != EEXIST)
                fail("link " + path);
            continue;
        }
        if (kind == 1) {
            if (::symlink(directory.c_str(), path.c_str()) != 0 && errno != EEXIST)
                fail("symlink " + path);
            continue;
        }
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            fail("open " + path);
        if (kind < 12) {
            const auto size = 1 + random() % data.size();
            if (::write(fd, data.data(), size) != static_cast<ssize_t>(size))
                fail("write " + path);
        } else if (::ftruncate(fd, static_cast<off_t>(random() % 100000)) != 0) {
            fail("ftruncate " + path);
        }
        ::close(fd);
        lastFile = path;
    }
    std::printf("made %ld files in %ld directories under %s\n", files, directories, root.c_str());
    return 0;
}
