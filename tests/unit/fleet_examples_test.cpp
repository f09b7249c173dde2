// The deployment examples stay right: every console command line they hold
// is one the console program takes, with the options a detection or a run needs.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "CliArgs.h"

namespace {
std::string Read(const std::string& name) {
  std::ifstream in(std::string(OSTRIVANE_EXAMPLES_DIR) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The words after the program on a line that calls it, quotes taken off as
// cmd.exe and PowerShell take them (both kinds, no escapes inside).
std::vector<std::vector<std::string>> CommandLines(const std::string& text) {
  std::vector<std::vector<std::string>> found;
  std::istringstream lines(text);
  const std::regex call(R"((ostrivane-cli\.exe"?|\$cli|%CLI%)\s+(map|move|switch|undo)\b(.*))");
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, call)) continue;
    std::vector<std::string> args{m[2]};
    const std::string rest = m[3];
    std::size_t i = 0;
    while (i < rest.size()) {
      if (rest[i] == ' ' || rest[i] == '\r') {
        ++i;
        continue;
      }
      if (rest[i] == '>') break;  // a redirection ends the program's words
      std::string word;
      if (rest[i] == '"' || rest[i] == '\'') {
        const char quote = rest[i];
        const std::size_t end = rest.find(quote, i + 1);
        word = rest.substr(i + 1, end - i - 1);
        i = end == std::string::npos ? rest.size() : end + 1;
      } else {
        const std::size_t end = rest.find_first_of(" \r", i);
        word = rest.substr(i, end - i);
        i = end == std::string::npos ? rest.size() : end;
      }
      args.push_back(word);
    }
    found.push_back(args);
  }
  return found;
}

TEST(FleetExamples, EveryCommandLineIsOneTheConsoleTakes) {
  struct Example {
    const char* file;
    std::size_t lines;
    bool preview, exitCode, json;
  };
  const Example examples[] = {{"intune/detect.ps1", 1, true, true, false},
                              {"intune/remediate.ps1", 1, false, false, true},
                              {"group-policy/startup.cmd", 1, false, false, true},
                              {"configmgr/program.txt", 2, false, false, true}};
  for (const Example& e : examples) {
    const auto lines = CommandLines(Read(e.file));
    ASSERT_EQ(lines.size(), e.lines) << e.file;
    const CliParse parsed = ParseCommandLine(lines.front());
    ASSERT_TRUE(parsed.options) << e.file << ": " << parsed.error;
    EXPECT_EQ(parsed.options->command, CliCommand::Map) << e.file;
    EXPECT_EQ(parsed.options->find, "\\\\OLDSRV\\Data") << e.file;
    EXPECT_EQ(parsed.options->replace, "\\\\NEWSRV\\Shared") << e.file;
    EXPECT_EQ(parsed.options->preview, e.preview) << e.file;
    EXPECT_EQ(parsed.options->exitCode, e.exitCode) << e.file;
    EXPECT_EQ(parsed.options->json, e.json) << e.file;
    for (const auto& more : lines) EXPECT_TRUE(ParseCommandLine(more).options) << e.file;
  }
  // The playbook builds its command as a list; its options are the console's.
  const std::string playbook = Read("ansible/remap-file-server.yml");
  for (const char* option : {"- map", "- --find", "- --replace", "- --json", "'--preview'"})
    EXPECT_NE(playbook.find(option), std::string::npos) << option;
  EXPECT_TRUE(ParseCommandLine({"map", "--find", "\\\\OLDSRV\\Data", "--replace", "\\\\NEWSRV\\Shared", "--json",
                                "--preview"})
                  .options);
}
}  // namespace
