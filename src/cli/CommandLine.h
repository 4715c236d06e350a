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
        bool repeatable = false; // "--exclude PATTERN", any number of times
        int group = 0; // options of one non-zero group exclude each other: [--store FILE | --in-memory]
    };
    struct Spec {
        const char* command; // "ls"
        std::vector<Option> options;
        // In order; "[DIR]" may be left out, "TEXT" may not, "PATH..." takes one or more.
        std::vector<const char*> operands;
        bool operandsFirst = false; // in the usage line: "rescan DIR [--store FILE]"
    };
    using Given = std::pair<std::string, std::optional<std::string>>;

    // Empty, with *problem set ("ls: --store needs FILE"), when the arguments do not fit.
    // "--" ends the options: what follows is an operand even when it begins with '-'; "-"
    // alone is an operand (standard input).
    static std::optional<CommandLine> parse(const Spec& spec, const std::vector<std::string>& arguments,
                                            std::string* problem);
    // "ls [--store FILE] [--json] [DIR]"
    static std::string usage(const Spec& spec);

    bool has(std::string_view option) const;
    std::optional<std::string> value(std::string_view option) const;
    // The options as given, in order (a repeated one as often as it was given).
    const std::vector<Given>& given() const { return given_; }
    const std::vector<std::string>& operands() const { return operands_; }

private:
    std::vector<Given> given_;
    std::vector<std::string> operands_;
};

} // namespace vistrel::cli
