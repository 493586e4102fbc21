#include "preview/dialogs.h"

#include "tokenizer/libtext.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace tarnel {

namespace {
// "Arquivos PDF(*.pdf)|*.pdf" -> "Arquivos PDF(*.pdf)"
QString QtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        if (!name.contains(QLatin1Char('('))) name += QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
        out << name;
    }
    return out.join(QStringLiteral(";;"));
}

std::optional<std::string> Ask(QWidget* parent, const std::string& filter, const std::string& ext, bool save) {
    QFileDialog d(parent);
    // Qt's own dialog, in Portuguese with Qt's translations whatever the
    // desktop's language; a desktop's dialog would speak the desktop's.
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setNameFilter(QtFilter(filter));
    d.setDefaultSuffix(QString::fromStdString(ext));
    d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return d.selectedFiles().first().toStdString();
}
} // namespace

UiDialogs& Dialogs() {
    static UiDialogs d{
        [](QWidget* parent, UiDialogs::Icon icon, const std::string& text) {
            const QString t = QString::fromStdString(DisplayTextUtf8(text));
            if (icon == UiDialogs::Icon::Error) QMessageBox::critical(parent, QStringLiteral("Erro"), t);
            else QMessageBox::information(parent, QStringLiteral("Informação"), t);
        },
        [](QWidget* p, const std::string& f, const std::string& e) { return Ask(p, f, e, true); },
        [](QWidget* p, const std::string& f, const std::string& e) { return Ask(p, f, e, false); },
    };
    return d;
}

} // namespace tarnel
