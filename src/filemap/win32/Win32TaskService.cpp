#include "filemap/win32/Win32TaskService.h"

#include "core/win32/ComScope.h"
#include "core/win32/Owned.h"
#include "core/win32/SystemError.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
// After the wrapper: the Task Scheduler's declarations.
#include <oleauto.h>
#include <taskschd.h>

#include <optional>
#include <utility>

#include "engine/ChangeList.h"

namespace {

// A string the task interfaces hand out or take, freed once.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::string& text) : b_(SysAllocString(WideText(text).c_str())) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* Out() {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  BSTR get() const { return b_; }
  std::string Text() const { return b_ ? Utf8Text(std::wstring_view(b_, SysStringLen(b_))) : std::string(); }

 private:
  BSTR b_ = nullptr;
};

// A VARIANT that holds nothing, or a string the service reads.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  explicit Variant(const Bstr& text) : Variant() {
    if (SysStringLen(text.get()) == 0) return;
    v_.vt = VT_BSTR;
    v_.bstrVal = text.get();  // borrowed: the Bstr outlives the call
  }
  explicit Variant(LONG number) : Variant() {
    v_.vt = VT_I4;
    v_.lVal = number;
  }
  const VARIANT& get() const { return v_; }

 private:
  VARIANT v_;
};

// One connection to the service, with its root folder.
class Connection {
 public:
  Connection() {
    hr_ = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService, service_.OutVoid());
    if (FAILED(hr_)) return;
    hr_ = service_->Connect(Variant().get(), Variant().get(), Variant().get(), Variant().get());
    if (FAILED(hr_)) return;
    Bstr root("\\");
    hr_ = service_->GetFolder(root.get(), root_.Out());
  }
  // Why the service cannot be used, or "" when it can.
  std::string Failure() const {
    return SUCCEEDED(hr_) ? std::string() : "the Task Scheduler cannot be reached: " + SystemMessage(DWORD(hr_));
  }
  ITaskService* Service() const { return service_.get(); }
  ITaskFolder* Root() const { return root_.get(); }

 private:
  ComScope com_;  // first made, last gone
  HRESULT hr_ = E_FAIL;
  ComRef<ITaskService> service_;
  ComRef<ITaskFolder> root_;
};

bool IsMissing(HRESULT hr) {
  return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

std::string Why(HRESULT hr) { return SystemMessage(DWORD(hr)); }

// The task's path, whole definition and logon type; nullopt with `failure` set when one cannot be read.
std::optional<ScheduledTask> TaskOf(IRegisteredTask& registered, std::string& failure) {
  ScheduledTask task;
  Bstr path, xml;
  HRESULT hr = registered.get_Path(path.Out());
  if (FAILED(hr)) {
    failure = "its path cannot be read: " + Why(hr);
    return std::nullopt;
  }
  task.path = path.Text();
  ComRef<ITaskDefinition> definition;
  ComRef<IPrincipal> principal;
  TASK_LOGON_TYPE logon = TASK_LOGON_NONE;
  const char* step = "its definition";
  if (FAILED(hr = registered.get_Xml(xml.Out())) ||
      (step = "its principal", FAILED(hr = registered.get_Definition(definition.Out()))) ||
      FAILED(hr = definition->get_Principal(principal.Out())) ||
      (step = "its logon type", FAILED(hr = principal->get_LogonType(&logon)))) {
    failure = std::string(step) + " cannot be read: " + Why(hr);
    return std::nullopt;
  }
  task.xml = xml.Text();
  task.logon = static_cast<TaskLogon>(logon);
  return task;
}

std::string FolderPath(ITaskFolder& folder) {
  Bstr path;
  return SUCCEEDED(folder.get_Path(path.Out())) ? path.Text() : std::string("\\");
}

void ListFolder(ITaskFolder& folder, TaskListing& listing) {
  const std::string where = FolderPath(folder);
  ComRef<IRegisteredTaskCollection> tasks;
  LONG count = 0;
  HRESULT hr = folder.GetTasks(TASK_ENUM_HIDDEN, tasks.Out());
  if (SUCCEEDED(hr)) hr = tasks->get_Count(&count);
  // A service without a listing (Wine's) has nothing that failed to list.
  if (hr == E_NOTIMPL) {
    listing.unlisted = Why(hr);
    return;
  }
  if (FAILED(hr)) listing.failures.push_back({where, Why(hr)});
  for (LONG i = 1; i <= count; ++i) {  // counted from 1
    ComRef<IRegisteredTask> registered;
    if (FAILED(hr = tasks->get_Item(Variant(i).get(), registered.Out()))) {
      listing.failures.push_back({where, "task " + std::to_string(i) + " cannot be read: " + Why(hr)});
      continue;
    }
    std::string failure;
    if (std::optional<ScheduledTask> task = TaskOf(*registered.get(), failure))
      listing.tasks.push_back(std::move(*task));
    else
      listing.failures.push_back({where, failure});
  }
  ComRef<ITaskFolderCollection> folders;
  count = 0;
  hr = folder.GetFolders(0, folders.Out());
  if (SUCCEEDED(hr)) hr = folders->get_Count(&count);
  if (hr == E_NOTIMPL) {
    listing.unlisted = Why(hr);
    return;
  }
  if (FAILED(hr)) listing.failures.push_back({where, "its folders cannot be listed: " + Why(hr)});
  for (LONG i = 1; i <= count; ++i) {
    ComRef<ITaskFolder> sub;
    if (FAILED(hr = folders->get_Item(Variant(i).get(), sub.Out()))) {
      listing.failures.push_back({where, "folder " + std::to_string(i) + " cannot be opened: " + Why(hr)});
      continue;
    }
    ListFolder(*sub.get(), listing);
  }
}

}  // namespace

TaskListing Win32TaskService::ListTasks() {
  TaskListing listing;
  const Connection c;
  if (const std::string failure = c.Failure(); !failure.empty()) {
    listing.failures.push_back({kTaskSchedulerPlace, failure});
    return listing;
  }
  ListFolder(*c.Root(), listing);
  return listing;
}

TaskRead Win32TaskService::ReadTask(const std::string& path) {
  TaskRead read;
  const Connection c;
  if (std::string failure = c.Failure(); !failure.empty()) {
    read.state = TaskRead::State::Failed;
    read.failure = std::move(failure);
    return read;
  }
  ComRef<IRegisteredTask> registered;
  const HRESULT hr = c.Root()->GetTask(Bstr(path).get(), registered.Out());
  if (IsMissing(hr)) return read;
  if (FAILED(hr)) {
    read.state = TaskRead::State::Failed;
    read.failure = Why(hr);
    return read;
  }
  if (std::optional<ScheduledTask> task = TaskOf(*registered.get(), read.failure)) {
    read.state = TaskRead::State::Found;
    read.task = std::move(*task);
  } else {
    read.state = TaskRead::State::Failed;
  }
  return read;
}

std::string Win32TaskService::UpdateTask(const std::string& path, const std::string& xml) {
  const Connection c;
  if (std::string failure = c.Failure(); !failure.empty()) return failure;
  // The definition read as the service reads it, so that the principal it
  // names (user or group, and how it logs on) is the one registered.
  ComRef<ITaskDefinition> definition;
  ComRef<IPrincipal> principal;
  TASK_LOGON_TYPE logon = TASK_LOGON_NONE;
  HRESULT hr = c.Service()->NewTask(0, definition.Out());
  if (SUCCEEDED(hr)) hr = definition->put_XmlText(Bstr(xml).get());
  if (SUCCEEDED(hr)) hr = definition->get_Principal(principal.Out());
  if (SUCCEEDED(hr)) hr = principal->get_LogonType(&logon);
  if (FAILED(hr)) return "the new definition is refused: " + Why(hr);
  if (NeedsPassword(static_cast<TaskLogon>(logon))) return kTaskPasswordReason;
  Bstr account;
  if (logon == TASK_LOGON_GROUP)
    hr = principal->get_GroupId(account.Out());
  else
    hr = principal->get_UserId(account.Out());
  if (FAILED(hr)) return "its account cannot be read: " + Why(hr);

  const std::size_t cut = path.rfind('\\');
  if (cut == std::string::npos) return "\"" + path + "\" is no task path";
  ComRef<ITaskFolder> folder;
  hr = c.Root()->GetFolder(Bstr(cut == 0 ? std::string("\\") : path.substr(0, cut)).get(), folder.Out());
  if (FAILED(hr)) return "its folder cannot be opened: " + Why(hr);
  ComRef<IRegisteredTask> registered;
  const Bstr name(path.substr(cut + 1));
  const Variant user(account);
  hr = folder->RegisterTaskDefinition(name.get(), definition.get(), TASK_UPDATE, user.get(), Variant().get(), logon,
                                      Variant().get(), registered.Out());
  if (FAILED(hr)) return "the Task Scheduler refused the new definition: " + Why(hr);
  return "";
}
