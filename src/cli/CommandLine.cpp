#include "CommandLine.h"

#include <algorithm>

namespace vistrel::cli {

namespace {

bool isOptional(const char* operand)
{
    return operand[0] == '[';
}

bool isVariadic(const char* operand)
{
    return std::string_view(operand).ends_with("...");
}

std::string shown(const CommandLine::Option& option)
{
    return std::string(option.name) + (option.value ? std::string(" ") + option.value : std::string());
}

} // namespace

std::optional<CommandLine> CommandLine::parse(const Spec& spec, const std::vector<std::string>& arguments,
                                              std::string* problem)
{
    const std::string command = spec.command;
    const auto fail = [&](const std::string& text) {
        *problem = text;
        return std::nullopt;
    };
    const bool variadic = !spec.operands.empty() && isVariadic(spec.operands.back());
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            if (line.operands_.size() >= spec.operands.size() && !variadic)
                return fail(command + ": unexpected argument " + argument);
            line.operands_.push_back(argument);
            continue;
        }
        const auto option = std::find_if(spec.options.begin(), spec.options.end(),
                                         [&](const Option& candidate) { return argument == candidate.name; });
        if (option == spec.options.end())
            return fail(command + ": unknown option " + argument);
        if (!option->repeatable && line.has(argument))
            return fail(command + ": " + argument + " is given twice");
        for (const Option& other : spec.options)
            if (option->group != 0 && &other != &*option && other.group == option->group && line.has(other.name))
                return fail(command + ": " + other.name + " and " + argument + " cannot go together");
        if (!option->value) {
            line.given_.emplace_back(argument, std::nullopt);
            continue;
        }
        if (index + 1 >= arguments.size())
            return fail(command + ": " + argument + " needs " + option->value);
        line.given_.emplace_back(argument, arguments[++index]);
    }
    for (std::size_t index = line.operands_.size(); index < spec.operands.size(); ++index)
        if (!isOptional(spec.operands[index]))
            return fail(command + " needs " + spec.operands[index]);
    return line;
}

std::string CommandLine::usage(const Spec& spec)
{
    std::string options;
    for (std::size_t index = 0; index < spec.options.size(); ++index) {
        const Option& option = spec.options[index];
        const bool continuesGroup = index > 0 && option.group != 0 && spec.options[index - 1].group == option.group;
        const bool groupGoesOn
            = index + 1 < spec.options.size() && option.group != 0 && spec.options[index + 1].group == option.group;
        options += continuesGroup ? " | " : " [";
        options += shown(option);
        if (!groupGoesOn)
            options += option.repeatable ? "]..." : "]";
    }
    std::string operands;
    for (const char* operand : spec.operands)
        operands += std::string(" ") + operand;
    return spec.command + (spec.operandsFirst ? operands + options : options + operands);
}

bool CommandLine::has(std::string_view option) const
{
    return std::any_of(given_.begin(), given_.end(), [&](const Given& given) { return given.first == option; });
}

std::optional<std::string> CommandLine::value(std::string_view option) const
{
    for (const Given& given : given_)
        if (given.first == option)
            return given.second;
    return std::nullopt;
}

} // namespace vistrel::cli
