#pragma once

namespace corvane {

class SettingsStore;
class Clipboard;
class Shell;
class ProcessLauncher;
class Registry;

// The platform services the windows use, built once in main() and replaced by fakes in tests.
struct Services
{
    SettingsStore& settings;
    Clipboard& clipboard;
    Shell& shell;
    ProcessLauncher& launcher;
    Registry& registry;
};

} // namespace corvane
