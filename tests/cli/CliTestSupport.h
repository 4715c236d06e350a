#pragma once

#include "support/CommandRunner.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <string>
#include <vector>

namespace vistrel::testing {

// Runs the real vistrel-cli with `arguments`.
inline CommandResult cli(std::vector<std::string> arguments, const std::function<void(pid_t)>& whileRunning = {})
{
    arguments.insert(arguments.begin(), VISTREL_CLI_PATH);
    return runCommand(arguments, whileRunning);
}

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

inline std::vector<std::string> lines(const std::string& text)
{
    return linesOf(text);
}

// One line of JSON, read by a strict parser.
inline QJsonObject parse(const std::string& line)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    return document.object();
}

} // namespace vistrel::testing
