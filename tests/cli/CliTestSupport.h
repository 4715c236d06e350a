#pragma once

#include "support/CommandRunner.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
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

// A file's bytes (empty when it cannot be read).
inline std::string fileBytes(const std::string& path)
{
    std::ifstream input(path, std::ios::binary);
    std::ostringstream text;
    text << input.rdbuf();
    return text.str();
}

inline bool exists(const std::string& path)
{
    struct stat status { };
    return ::lstat(path.c_str(), &status) == 0;
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
