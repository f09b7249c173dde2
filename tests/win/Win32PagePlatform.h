#pragma once
// The window tests' page model over the real files, drives and window ui;
// the rest of its ports are the recording fakes of WizardFakes.
#include "core/win32/Win32FileSystem.h"
#include "engine/win32/Win32Platform.h"
#include "support/WizardFakes.h"
#include "window/win32/Win32DriveTypes.h"
#include "window/win32/Win32WindowUi.h"

struct Win32PagePlatform {
  using Files = Win32FileSystem;
  using WindowUi = Win32WindowUi;
  using Drives = Win32Drives;
  using DriveTypes = Win32DriveTypes;
};
