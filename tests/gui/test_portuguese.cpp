// The program speaks Portuguese: report file errors, Qt's own dialogs, and
// the dates on catalog pages.
#include "preview/Demopre.h"
#include "preview/dialogs.h"
#include "preview/messages.h"
#include "preview/tqrpreviewinterf.h"
#include "report/reportelements.h"
#include "viewer/ui/mainform.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

using namespace tarnel;

namespace {

TEST(Portuguese, ReportFileErrors) {
    const struct { const char* en; const char* pt; } table[] = {
        {R"("/t/a.qrp" is not a valid report file: it is 10 bytes long, shorter than the 128-byte header)",
         R"("/t/a.qrp" não é um arquivo de relatório válido: tem 10 bytes, menos que o cabeçalho de 128 bytes)"},
        {R"("/t/a.qrp" is not a valid report file: its header tags are 1 and 2 instead of 3 and 305)",
         R"("/t/a.qrp" não é um arquivo de relatório válido: as marcas do cabeçalho são 1 e 2 em vez de 3 e 305)"},
        {R"("/t/a.qrp" is not a valid report file: page 3: its record at offset 900 has page number 7)",
         R"("/t/a.qrp" não é um arquivo de relatório válido: página 3: seu registro na posição 900 tem o número de página 7)"},
        {R"("/t/a.qrp" is not a valid report file: page 2: malformed picture: record 5 runs past the end)",
         R"("/t/a.qrp" não é um arquivo de relatório válido: página 2: imagem malformada (record 5 runs past the end))"},
        {R"("/t/a.qrp" is not a valid report file: 16 bytes follow the last page)",
         R"("/t/a.qrp" não é um arquivo de relatório válido: há 16 bytes depois da última página)"},
        {R"(cannot open report file "/t/x: "y".qrp": No such file or directory)",
         R"(não foi possível abrir o arquivo de relatório "/t/x: "y".qrp": arquivo ou pasta inexistente)"},
        {R"(cannot create "/ro/$1.qrp": Permission denied)", R"(não foi possível criar "/ro/$1.qrp": permissão negada)"},
        {R"(cannot save over "/t/a.qrp": it is the report file being shown, open for reading)",
         R"(não é possível gravar sobre "/t/a.qrp": é o arquivo de relatório exibido, aberto para leitura)"},
        {R"(cannot write the temporary page file "/tmp/QRP1": Some new fault)",
         R"(não foi possível gravar o arquivo temporário de páginas "/tmp/QRP1": Some new fault)"},
        {"something else entirely", "something else entirely"},
    };
    for (const auto& row : table) EXPECT_EQ(PortugueseReportError(row.en), row.pt) << row.en;
}

// "Ler" with a damaged file, through the real page recorder: the message
// names the file and its fault in Portuguese, over an Erro caption.
TEST(Portuguese, BadReportFileMessageInTheWindow) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("ruim.qrp");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a report");
    f.close();
    RecorderView view(std::make_shared<PageRecorder>());
    TPrevForm form(nullptr, &view, PaintPagePicture);
    form.show();
    UiDialogs saved = Dialogs();
    Dialogs().OpenFile = [&](QWidget*, const std::string&, const std::string&) { return std::optional<std::string>(bad.toStdString()); };
    QString caption, text;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                caption = box->windowTitle();
                text = box->text();
                box->accept();
            }
    });
    QTest::mouseClick(form.BB_ler, Qt::LeftButton);
    Dialogs() = saved;
    EXPECT_EQ(caption, QStringLiteral("Erro"));
    EXPECT_EQ(text, QStringLiteral("\"%1\" não é um arquivo de relatório válido: tem 12 bytes, menos que o cabeçalho de 128 bytes").arg(bad));
}

TEST(Portuguese, QtDialogTextsWhenTheTranslationsAreInstalled) {
    const QString qm = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_pt_BR.qm");
    if (!QFileInfo::exists(qm)) GTEST_SKIP() << qm.toStdString() << " is not installed (Debian: qt6-translations-l10n)";
    QTranslator* t = InstallQtPortuguese(*qApp);
    ASSERT_NE(t, nullptr);
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Save);
    const QString cancel = box.button(QMessageBox::Cancel)->text(), save = box.button(QMessageBox::Save)->text();
    qApp->removeTranslator(t);
    delete t;
    EXPECT_EQ(cancel, QStringLiteral("Cancelar"));
    EXPECT_EQ(save, QStringLiteral("Salvar"));
}

TEST(Portuguese, CatalogPageDates) {
    const QDateTime when(QDate(2026, 12, 10), QTime(14, 5, 9));
    EXPECT_EQ(ReportLocale().language(), QLocale::Portuguese);
    if (QLocale::system().language() != QLocale::Portuguese) {
        EXPECT_EQ(FormatDateTime(when), QStringLiteral("10/12/2026 14:05:09"));
        EXPECT_EQ(FormatDateTime(QDateTime(QDate(2026, 12, 10), QTime(0, 0))), QStringLiteral("10/12/2026"));
    }
}

} // namespace

// The program's file and colour dialogs are Qt's own, which speak
// Portuguese with Qt's translations whatever the desktop's language (a
// desktop's own dialog would speak the desktop's).
TEST(Portuguese, FileAndColourDialogsAreQtsOwnInPortuguese) {
    const QString qm = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_pt_BR.qm");
    if (!QFileInfo::exists(qm)) GTEST_SKIP() << qm.toStdString() << " is not installed (Debian: qt6-translations-l10n)";
    QTranslator* t = InstallQtPortuguese(*qApp);
    ASSERT_NE(t, nullptr);
    QTemporaryDir dir;
    struct Seen {
        bool own = false;
        QStringList texts;
    } file, colour;
    auto look = [](Seen& s) {
        QTimer::singleShot(50, [&s] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                    s.own = d->testOption(QFileDialog::DontUseNativeDialog);
                    s.texts << d->labelText(QFileDialog::LookIn) << d->labelText(QFileDialog::FileName)
                            << d->labelText(QFileDialog::FileType) << d->labelText(QFileDialog::Reject);
                    d->reject();
                } else if (auto* c = qobject_cast<QColorDialog*>(w); c && c->isVisible()) {
                    s.own = c->testOption(QColorDialog::DontUseNativeDialog);
                    for (auto* b : c->findChildren<QAbstractButton*>()) s.texts << b->text();
                    c->reject();
                }
            }
        });
    };
    look(file);
    EXPECT_FALSE(Dialogs().SaveFile(nullptr, "Arquivos QRP(*.qrp)|*.qrp", "QRP").has_value());
    TForm1 form;
    QColor c(Qt::red);
    look(colour);
    EXPECT_FALSE(form.ExecuteColorDialog(c));
    qApp->removeTranslator(t);
    delete t;
    EXPECT_TRUE(file.own);
    EXPECT_TRUE(colour.own);
    ASSERT_EQ(file.texts.size(), 4);
    EXPECT_EQ(file.texts[3], QStringLiteral("Cancelar"));
    for (const QString& s : file.texts) EXPECT_FALSE(s.contains(QStringLiteral("File")) || s.contains(QStringLiteral("Look"))) << s.toStdString();
    EXPECT_TRUE(colour.texts.contains(QStringLiteral("Cancelar"))) << colour.texts.join('|').toStdString();
}
