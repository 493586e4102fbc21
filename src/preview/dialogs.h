#pragma once
// The standard dialogs the windows use, behind hooks that tests replace
// (modal dialogs would block an offscreen test).
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace tarnel {

struct UiDialogs {
    enum class Icon { Error, Information };
    std::function<void(QWidget*, Icon, const std::string&)> Message;
    // filter in the "Text (*.ext)|*.ext" form; returns the chosen path.
    std::function<std::optional<std::string>(QWidget*, const std::string& filter, const std::string& defaultExt)> SaveFile;
    std::function<std::optional<std::string>(QWidget*, const std::string& filter, const std::string& defaultExt)> OpenFile;
};

// The program's dialogs; defaults are the real ones.
UiDialogs& Dialogs();

} // namespace tarnel
