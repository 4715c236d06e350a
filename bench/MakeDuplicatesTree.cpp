// Builds the duplicates benchmark tree: about FILES files in FILES/50 directories under
// ROOT, most of them sparse (a 4 KiB head and a 64-byte tail of their own, holes between),
// so that gigabytes cost little disk. One in ten is a copy of an earlier file, one in twenty
// has the size and head of an earlier file but another tail (read whole to be told apart), one
// in a hundred is a second hard link, and a few folders are copied whole.
//
//   MakeDuplicatesTree ROOT [FILES]   (default 100000)

#include <cerrno>
#include <cmath>
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
    std::fprintf(stderr, "MakeDuplicatesTree: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

struct Content {
    long long size;
    unsigned head; // seed of the first 4 KiB
    unsigned tail; // seed of the last 64 bytes
};

std::string bytes(std::size_t count, unsigned seed)
{
    std::string text(count, '\0');
    std::minstd_rand random(seed + 1);
    for (char& byte : text)
        byte = static_cast<char>(random());
    return text;
}

void write(const std::string& path, const Content& content)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("open " + path);
    const std::string head = bytes(static_cast<std::size_t>(std::min<long long>(content.size, 4096)), content.head);
    if (::pwrite(fd, head.data(), head.size(), 0) != static_cast<ssize_t>(head.size()))
        fail("write " + path);
    if (content.size > 4096 + 64) {
        const std::string tail = bytes(64, content.tail);
        if (::pwrite(fd, tail.data(), tail.size(), content.size - 64) != 64)
            fail("write " + path);
    } else if (::ftruncate(fd, content.size) != 0) {
        fail("ftruncate " + path);
    }
    ::close(fd);
}

void makeDirectory(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        fail("mkdir " + path);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: MakeDuplicatesTree ROOT [FILES]\n");
        return 2;
    }
    const std::string root = argv[1];
    const long files = argc > 2 ? std::atol(argv[2]) : 100000;
    makeDirectory(root);
    std::mt19937_64 random(7);
    std::vector<std::string> directories;
    for (long index = 0; index < std::max(1L, files / 50); ++index) {
        const std::string path = root + "/d" + std::to_string(index % 40) + "/e" + std::to_string(index);
        makeDirectory(root + "/d" + std::to_string(index % 40));
        makeDirectory(path);
        directories.push_back(path);
    }
    std::vector<std::pair<std::string, Content>> made;
    unsigned seed = 0;
    for (long index = 0; index < files; ++index) {
        const std::string path = directories[random() % directories.size()] + "/f" + std::to_string(index);
        const unsigned kind = random() % 100;
        if (kind < 1 && !made.empty()) {
            if (::link(made.back().first.c_str(), path.c_str()) != 0)
                fail("link " + path);
            continue;
        }
        Content content;
        if (kind < 11 && !made.empty()) {
            content = made[random() % made.size()].second; // a copy
        } else if (kind < 16 && !made.empty()) {
            content = made[random() % made.size()].second; // a lookalike
            content.tail = ++seed;
        } else {
            // Sizes from 1 KiB to 1 MiB, evenly spread on a log scale.
            const double exponent = 10 + static_cast<double>(random() % 1000) / 100.0;
            content = {static_cast<long long>(std::exp2(exponent)), ++seed, ++seed};
        }
        write(path, content);
        made.emplace_back(path, content);
    }
    // Whole folders copied: their files are copies in a folder of their own.
    for (long copy = 0; copy < 20 && copy < static_cast<long>(directories.size()); ++copy) {
        const std::string from = root + "/album" + std::to_string(copy);
        const std::string to = root + "/backup/album" + std::to_string(copy);
        makeDirectory(from);
        makeDirectory(root + "/backup");
        makeDirectory(to);
        for (int file = 0; file < 25; ++file) {
            const Content content{4096 + 1000 * file + copy, ++seed, ++seed};
            write(from + "/p" + std::to_string(file) + ".jpg", content);
            write(to + "/p" + std::to_string(file) + ".jpg", content);
        }
    }
    std::printf("made %ld files in %zu directories under %s\n", files + 1000, directories.size(), root.c_str());
    return 0;
}
