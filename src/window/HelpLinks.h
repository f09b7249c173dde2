#pragma once
// The help files and the shell's answers to an open request.
#include <string>

inline constexpr const char* kHelpChm = "Ostrivane.chm";
inline constexpr const char* kIntroductionTopic = "Introduction.htm";
inline constexpr const char* kQuestionsTopic = "Questions.htm";
inline constexpr const char* kShellExecuteError = "ShellExecute Error";

// The message for a failed shell open (a result below 33); "" for success.
std::string ShellExecuteErrorText(long result);
