#pragma once
// Registers the context-menu handler for the current user. A plain interface without reference
// counting: the library owns the one controller and keeps it while it is loaded.

struct IShellExtController {
  virtual bool Register() = 0;
  virtual bool Unregister() = 0;
  virtual bool IsRegistered() = 0;
};

extern "C" IShellExtController* GetShellExtController();
