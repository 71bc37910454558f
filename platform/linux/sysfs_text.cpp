#include "platform/linux/sysfs_text.h"

#include <cstdio>
#include <memory>

namespace paravue::sysfs {
namespace {

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::optional<std::string> ReadAttribute(const std::filesystem::path& file) {
    // A C stream: a C++ file stream would set up the standard locale, which a
    // report run otherwise never needs.
    std::unique_ptr<std::FILE, FileClose> in(std::fopen(file.c_str(), "rb"));
    if (!in)
        return std::nullopt;
    std::string text;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0)
        text.append(chunk, got);
    if (std::ferror(in.get()))
        return std::nullopt;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0'))
        text.pop_back();
    return text;
}

}  // namespace paravue::sysfs
