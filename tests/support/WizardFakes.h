#pragma once
// The page model's ports wired with recording fakes, owned in one place. A
// fixture derives from it and builds its Wizard over Ports(). The ui, the
// files and the drives come from a platform: in-memory fakes natively, the
// real adapters in the Windows tests.
#include "core/Ui.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUi.h"
#include "support/FakeWindowPorts.h"
#include "engine/WrittenRecord.h"
#include "window/Wizard.h"

struct FakePagePlatform {
  using Files = FakeFileSystem;
  using WindowUi = FakeUi;
  using Drives = FakeDrives;
  using DriveTypes = FakeDriveTypes;
};

template <class Platform = FakePagePlatform>
struct WizardFakes {
  typename Platform::Files fs;
  typename Platform::WindowUi ui;
  typename Platform::Drives drives;
  typename Platform::DriveTypes driveTypes;
  FakeUndoList undo;
  FakePicker picker;
  RecordingRunParts rec;  // the run's parts
  FakeHelp help;
  FakeDialogs dialogs;
  WrittenRecord written{fs};

  // The window's own questions and messages go to `windowDialogs` when one is
  // given, else through the ui as plain messages (and every question is Yes).
  WizardPorts Ports(WindowDialogs* windowDialogs = nullptr) {
    WizardPorts p{&ui, &fs, &drives, &undo, &undo, &picker, {}};
    p.parts.emplace(RunParts{.undo = undo,
                             .mover = rec,
                             .archive = rec,
                             .registry = rec,
                             .files = rec,
                             .shortNames = rec,
                             .records = fs,
                             .written = written});
    p.driveTypes = &driveTypes;
    p.help = &help;
    p.shell = &help;
    p.dialogs = windowDialogs;
    return p;
  }
};
