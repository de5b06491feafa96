#pragma once
// The resident host: one instance per user, keeps the hook library running with the loaded
// settings, and stops or restarts it when the configuration program signals.

// Runs the host for the command-line remainder that the entry point received. Every way out,
// error or not, returns normally: the process always ends with 0.
void RunResidentHost(const wchar_t* commandLine);
