#include "CommandLine.h"

#include <algorithm>

namespace vistrel::cli {

namespace {

bool optional(const char* operand)
{
    return operand[0] == '[';
}

} // namespace

std::optional<CommandLine> CommandLine::parse(const Spec& spec, const std::vector<std::string>& arguments,
                                              std::string* problem)
{
    const std::string command = spec.command;
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && !argument.empty() && argument[0] == '-') {
            const auto option = std::find_if(spec.options.begin(), spec.options.end(),
                                             [&](const Option& candidate) { return argument == candidate.name; });
            if (option == spec.options.end()) {
                *problem = command + ": unknown option " + argument;
                return std::nullopt;
            }
            if (!option->value) {
                line.given_.emplace_back(argument, std::nullopt);
                continue;
            }
            if (index + 1 >= arguments.size()) {
                *problem = command + ": " + argument + " needs " + option->value;
                return std::nullopt;
            }
            line.given_.emplace_back(argument, arguments[++index]);
            continue;
        }
        if (line.operands_.size() >= spec.operands.size()) {
            *problem = command + ": unexpected argument " + argument;
            return std::nullopt;
        }
        line.operands_.push_back(argument);
    }
    for (std::size_t index = line.operands_.size(); index < spec.operands.size(); ++index) {
        if (!optional(spec.operands[index])) {
            *problem = command + " needs " + spec.operands[index];
            return std::nullopt;
        }
    }
    return line;
}

std::string CommandLine::usage(const Spec& spec)
{
    std::string text = spec.command;
    for (const Option& option : spec.options)
        text += std::string(" [") + option.name + (option.value ? std::string(" ") + option.value : "") + "]";
    for (const char* operand : spec.operands)
        text += std::string(" ") + operand;
    return text;
}

bool CommandLine::has(std::string_view option) const
{
    return std::any_of(given_.begin(), given_.end(), [&](const auto& given) { return given.first == option; });
}

std::optional<std::string> CommandLine::value(std::string_view option) const
{
    // The last one given wins, as with most tools.
    for (auto it = given_.rbegin(); it != given_.rend(); ++it)
        if (it->first == option)
            return it->second;
    return std::nullopt;
}

} // namespace vistrel::cli
