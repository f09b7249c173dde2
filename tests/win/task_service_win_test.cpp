// The Task Scheduler adapter on a real (Wine) service. Wine's scheduler
// cannot list its tasks, does not tell a task's logon type and drops an Exec
// action's command when a task is registered, so what a task walk changes is
// shown natively through a fake service; here: the service is reached, a
// listing fails nothing (a service that cannot list says so), a task that is
// not there reads as missing and is not updated, and a task Wine keeps as a
// file is found by its path.
#include <gtest/gtest.h>

#include "core/win32/Win32FileSystem.h"
#include "filemap/win32/Win32TaskService.h"
#include "support/TestTree.h"
#include "RegistryDump.h"

namespace {
const std::string kTaskName = "OstrivaneTaskTest";
const std::string kTaskFile = "C:\\windows\\system32\\Tasks\\" + kTaskName;

std::string TaskXml(const std::string& description) {
  return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
         "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
         "  <RegistrationInfo>\r\n    <Description>" + description + "</Description>\r\n  </RegistrationInfo>\r\n"
         "  <Principals>\r\n    <Principal id=\"Author\">\r\n      <LogonType>InteractiveToken</LogonType>\r\n"
         "    </Principal>\r\n  </Principals>\r\n"
         "  <Actions Context=\"Author\">\r\n    <Exec>\r\n      <Command>C:\\ostrivane-task\\run.exe</Command>\r\n"
         "    </Exec>\r\n  </Actions>\r\n</Task>\r\n";
}

class TaskServiceWin : public ::testing::Test {
 protected:
  void SetUp() override { DeleteFileW(WideText(kTaskFile).c_str()); }
  void TearDown() override { DeleteFileW(WideText(kTaskFile).c_str()); }
  Win32FileSystem fs;
  Win32TaskService service;
};
}  // namespace

TEST_F(TaskServiceWin, TheServiceIsReachedAndATaskNotThereIsMissing) {
  const TaskListing listing = service.ListTasks();
  for (const TaskFailure& f : listing.failures) ADD_FAILURE() << f.where << ": " << f.message;
  EXPECT_TRUE(listing.tasks.empty() || listing.unlisted.empty());
  const TaskRead read = service.ReadTask("\\" + kTaskName);
  EXPECT_EQ(read.state, TaskRead::State::Missing) << read.failure;
  // An update makes no task: the failure comes back in the system's words.
  EXPECT_FALSE(service.UpdateTask("\\" + kTaskName, TaskXml("made")).empty());
}

// Found by its path: read whole, or named with what could not be read of it.
TEST_F(TaskServiceWin, ATaskKeptAsAFileIsFoundByItsPath) {
  WriteTestFile(fs, kTaskFile, "\xFF\xFE" + Utf16LeBytesFromUtf8(TaskXml("before")));
  const TaskRead read = service.ReadTask("\\" + kTaskName);
  ASSERT_NE(read.state, TaskRead::State::Missing);
  if (read.state == TaskRead::State::Failed) {
    EXPECT_NE(read.failure.find("cannot be read: "), std::string::npos) << read.failure;
    return;
  }
  EXPECT_EQ(read.task.path, "\\" + kTaskName);
  EXPECT_NE(read.task.xml.find("<Description>before</Description>"), std::string::npos) << read.task.xml;
  EXPECT_EQ(read.task.logon, TaskLogon::InteractiveToken);
}
