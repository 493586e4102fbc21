#pragma once
// Portuguese for the user: the report file errors, which the page stream
// words for logs and the command line, and Qt's own dialog texts.
#include <string>

class QCoreApplication;
class QTranslator;

namespace tarnel {

// The Portuguese wording of a report file error (reading, saving, the
// temporary page file); a text it does not know comes back as it was.
std::string PortugueseReportError(const std::string& message);

// Installs Qt's Brazilian Portuguese texts (standard dialogs and buttons)
// from Qt's translations folder; nullptr when they are not installed.
QTranslator* InstallQtPortuguese(QCoreApplication& app);

} // namespace tarnel
