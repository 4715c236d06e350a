#include "FileTypeCategory.h"

#include <array>
#include <string>
#include <unordered_map>

namespace vistrel {

namespace {

// The one table: extension (lower case, without the dot) to category.
const std::unordered_map<std::string, FileTypeCategory::Category>& extensions()
{
    using C = FileTypeCategory;
    static const std::unordered_map<std::string, FileTypeCategory::Category> table = [] {
        std::unordered_map<std::string, FileTypeCategory::Category> made;
        const auto add = [&](FileTypeCategory::Category category, std::initializer_list<const char*> names) {
            for (const char* name : names)
                made.emplace(name, category);
        };
        add(C::images, {"png",  "jpg",  "jpeg", "gif", "bmp", "tif", "tiff", "webp", "svg", "svgz", "ico", "heic",
                        "heif", "avif", "raw",  "cr2", "nef", "arw", "dng",  "psd",  "xcf", "kra",  "exr", "xpm"});
        add(C::video,
            {"mp4", "m4v", "mkv", "webm", "avi", "mov", "wmv", "flv", "mpg", "mpeg", "m2ts", "3gp", "ogv", "vob"});
        add(C::audio,
            {"mp3", "flac", "ogg", "oga", "opus", "wav", "aac", "m4a", "wma", "aiff", "aif", "mid", "midi", "ape",
             "alac"});
        add(C::archives,
            {"zip", "tar", "gz",   "tgz", "bz2", "tbz2", "xz",       "txz", "zst", "lz",  "lzma", "lz4",  "7z",
             "rar", "cab", "cpio", "iso", "img", "dmg",  "squashfs", "jar", "war", "whl", "gem",  "crate"});
        add(C::documents, {"pdf",  "txt", "md",   "rst",  "odt", "ods",  "odp",  "doc",  "docx", "xls",
                           "xlsx", "ppt", "pptx", "rtf",  "tex", "epub", "djvu", "ps",   "csv",  "html",
                           "htm",  "xml", "json", "yaml", "yml", "toml", "chm",  "info", "man"});
        add(C::sourceCode,
            {"c",   "h",    "cc",  "cpp",   "cxx", "hpp", "hh",  "hxx",  "rs",  "go",  "py",   "rb",   "pl",    "pm",
             "php", "java", "kt",  "scala", "js",  "mjs", "cjs", "ts",   "tsx", "jsx", "css",  "scss", "sh",    "bash",
             "zsh", "fish", "lua", "swift", "m",   "cs",  "fs",  "hs",   "ml",  "el",  "vim",  "sql",  "cmake", "mk",
             "s",   "asm",  "pas", "pp",    "d",   "zig", "nim", "dart", "r",   "jl",  "ipynb"});
        // Build outputs are what a build made, not what people wrote: objects, libraries, byte code.
        add(C::executables,
            {"so", "exe", "dll", "bin", "elf", "out", "appimage", "ko",  "efi",   "node",  "wasm", "o",     "obj", "a",
             "lo", "la",  "lib", "pch", "gch", "pcm", "pyc",      "pyo", "class", "dylib", "rlib", "rmeta", "dwo"});
        add(C::packages, {"deb", "udeb", "rpm", "apk", "snap", "flatpak", "msi", "pkg", "ipk", "xbps"});
        add(C::databases, {"db",  "sqlite", "sqlite3", "store", "mdb",  "accdb", "ldb",  "frm", "ibd", "myd",
                           "myi", "qcow",   "qcow2",   "vdi",   "vmdk", "vhd",   "vhdx", "ova", "ovf", "raw-disk"});
        add(C::logs, {"log", "journal", "trace", "err"});
        return made;
    }();
    return table;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

FileTypeCategory::Category FileTypeCategory::ofName(std::string_view name)
{
    // Called for every file below a directory: nothing is allocated.
    // A shared library keeps its version after the extension: libc.so.6, libx.so.1.2.3.
    for (std::size_t at = 1; at + 4 <= name.size(); ++at) {
        if (name[at] == '.' && lower(name[at + 1]) == 's' && lower(name[at + 2]) == 'o' && name[at + 3] == '.')
            return executables;
    }
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size())
        return other;
    const std::string_view extension = name.substr(dot + 1);
    if (extension.size() > 15) // longer than any in the table; stays within the short-string buffer
        return other;
    std::string key(extension);
    for (char& c : key)
        c = lower(c);
    const auto found = extensions().find(key);
    return found == extensions().end() ? other : found->second;
}

const char* FileTypeCategory::key(Category category)
{
    static constexpr std::array<const char*, count_> keys{"images",    "video",      "audio",       "archives",
                                                          "documents", "sourceCode", "executables", "packages",
                                                          "databases", "logs",       "other"};
    return category >= 0 && category < count_ ? keys[static_cast<std::size_t>(category)] : keys[other];
}

const char* FileTypeCategory::label(Category category)
{
    static constexpr std::array<const char*, count_> labels{"Images",
                                                            "Video",
                                                            "Audio",
                                                            "Archives and disk images",
                                                            "Documents",
                                                            "Source code",
                                                            "Executables and libraries",
                                                            "Packages",
                                                            "Databases and virtual machine images",
                                                            "Logs",
                                                            "Other"};
    return category >= 0 && category < count_ ? labels[static_cast<std::size_t>(category)] : labels[other];
}

std::uint32_t FileTypeCategory::colour(Category category, bool dark)
{
    // Light: saturated enough to tell apart on white; dark: the same hues, dimmer.
    static constexpr std::array<std::uint32_t, count_> light{0x3b82f6, 0xef4444, 0xa855f7, 0xf59e0b, 0x22c55e, 0x14b8a6,
                                                             0xf97316, 0xeab308, 0xec4899, 0x84cc16, 0x94a3b8};
    static constexpr std::array<std::uint32_t, count_> darkened{
        0x2563eb, 0xb91c1c, 0x7e22ce, 0xb45309, 0x15803d, 0x0f766e, 0xc2410c, 0xa16207, 0xbe185d, 0x4d7c0f, 0x475569};
    const auto index = static_cast<std::size_t>(category >= 0 && category < count_ ? category : other);
    return dark ? darkened[index] : light[index];
}

} // namespace vistrel
