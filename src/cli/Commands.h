#pragma once

#include "CommandLine.h"

#include <string>
#include <vector>

namespace vistrel::cli {

// Exit statuses shared by every command.
inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;
inline constexpr int exitInterrupted = 130;

// Each command takes the arguments after its name.
int runStat(const std::vector<std::string>& arguments);
int runVolume(const std::vector<std::string>& arguments);
int runVolumes(const std::vector<std::string>& arguments);
int runTop(const std::vector<std::string>& arguments);
int runTypes(const std::vector<std::string>& arguments);
int runScan(const std::vector<std::string>& arguments);
int runRescan(const std::vector<std::string>& arguments);
int runDump(const std::vector<std::string>& arguments);
int runList(const std::vector<std::string>& arguments);
int runSearch(const std::vector<std::string>& arguments);
int runHistory(const std::vector<std::string>& arguments);
int runDiff(const std::vector<std::string>& arguments);
int runExport(const std::vector<std::string>& arguments);
int runImport(const std::vector<std::string>& arguments);
int runDuplicates(const std::vector<std::string>& arguments);

// Each command's table of options and operands, from which its usage line is made.
extern const CommandLine::Spec scanCommandLine;
extern const CommandLine::Spec rescanCommandLine;
extern const CommandLine::Spec dumpCommandLine;
extern const CommandLine::Spec listCommandLine;
extern const CommandLine::Spec searchCommandLine;
extern const CommandLine::Spec topCommandLine;
extern const CommandLine::Spec typesCommandLine;
extern const CommandLine::Spec historyCommandLine;
extern const CommandLine::Spec diffCommandLine;
extern const CommandLine::Spec exportCommandLine;
extern const CommandLine::Spec importCommandLine;
extern const CommandLine::Spec statCommandLine;
extern const CommandLine::Spec volumeCommandLine;
extern const CommandLine::Spec volumesCommandLine;
extern const CommandLine::Spec duplicatesCommandLine;

// Prints the usage text on stderr and returns exitUsage.
int usageError(const std::string& problem);
// One clear line on stderr; returns exitFailure.
int failure(const std::string& message);

// An absolute form of a path given on the command line, against the working directory and
// rid of ".", ".." and repeated separators (bytes kept as they are).
std::string absolutePath(const std::string& path);

} // namespace vistrel::cli
