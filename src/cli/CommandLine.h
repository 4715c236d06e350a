#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel::cli {

// One command's arguments read against its table of options and operands, so that the same
// mistake gets the same message everywhere and the usage line comes from the table.
class CommandLine {
public:
    struct Option {
        const char* name; // "--store", "-n"
        const char* value = nullptr; // what follows it ("FILE"); null for a flag
    };
    struct Spec {
        const char* command; // "ls"
        std::vector<Option> options;
        // In order; "[DIR]" may be left out, "TEXT" may not.
        std::vector<const char*> operands;
    };

    // Empty, with *problem set ("ls: --store needs FILE"), when the arguments do not fit.
    // "--" ends the options: what follows is an operand even when it begins with '-'.
    static std::optional<CommandLine> parse(const Spec& spec, const std::vector<std::string>& arguments,
                                            std::string* problem);
    // "ls [--store FILE] [--json] [DIR]"
    static std::string usage(const Spec& spec);

    bool has(std::string_view option) const;
    std::optional<std::string> value(std::string_view option) const;
    const std::vector<std::string>& operands() const { return operands_; }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> given_;
    std::vector<std::string> operands_;
};

} // namespace vistrel::cli
