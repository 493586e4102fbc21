// Catálogos → "Catálogo PDF…" driven through its windows: the choices, the
// progress with its "Cancelar", and the last message that opens the file.
#include "book/ui/bookdialog.h"
#include "book/ui/bookprogress.h"
#include "book/ui/pdfbookcommand.h"
#include "preview/dialogs.h"
#include "viewer/ui/mainform.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <functional>
#include <memory>

using namespace tarnel;

namespace {

const QString kSamples = QStringLiteral(TARNEL_SOURCE_DIR "/samples");

// What the windows showed while the command ran.
struct Seen {
    bool dialog = false, progress = false, done = false;
    int progressValue = -1;
    QString progressLabel, doneText, doneDetails;
    std::vector<std::string> messages;
    QString opened;
};

class BookWindow : public ::testing::Test {
protected:
    void SetUp() override {
        savedCwd_ = QDir::currentPath();
        saved_ = Dialogs();
        savedOpen_ = BookUiHooks().OpenPdf;
        Dialogs().Message = [this](QWidget*, UiDialogs::Icon, const std::string& text) { seen.messages.push_back(text); };
        Dialogs().SaveFile = [this](QWidget*, const std::string&, const std::string&) {
            return std::optional<std::string>(target.toStdString());
        };
        BookUiHooks().OpenPdf = [this](const QString& file) { seen.opened = file; };
    }
    void TearDown() override {
        w.reset();
        Dialogs() = saved_;
        BookUiHooks().OpenPdf = savedOpen_;
        QDir::setCurrent(savedCwd_);
    }

    TForm1& Open(const QString& folder) {
        w = std::make_unique<TForm1>();
        w->DefaultFolder = folder.toStdString();
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w->windowHandle()));
        return *w;
    }

    void PickFile(const QString& name) {
        const auto items = w->FileListBox1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        QListWidgetItem* item = items[0];
        w->FileListBox1->scrollToItem(item);
        QTest::mouseClick(w->FileListBox1->viewport(), Qt::LeftButton, {},
                          w->FileListBox1->visualItemRect(item).center());
    }

    // Runs the menu command; choose sets the dialog's choices, and the
    // progress window is cancelled once it shows progress when asked.
    void Run(const std::function<void(TBookDialog&)>& choose, bool cancel = false) {
        QAction* action = w->findChild<QAction*>("CatalogoPdf1");
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(QString(action->text()).remove('&'), QString::fromUtf8("Catálogo PDF…"));
        QTimer robot;
        robot.setInterval(10);
        QObject::connect(&robot, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (!top->isVisible()) continue;
                if (auto* d = qobject_cast<TBookDialog*>(top)) {
                    seen.dialog = true;
                    choose(*d);
                    d->B_ok->click();
                } else if (auto* p = qobject_cast<TBookProgress*>(top)) {
                    seen.progress = true;
                    if (p->PB->maximum() > 0 && p->PB->value() > 0 && p->Cancelar->isEnabled()) {
                        seen.progressValue = p->PB->value();
                        seen.progressLabel = p->Label->text();
                        if (cancel) p->Cancelar->click();
                    }
                } else if (auto* m = qobject_cast<QMessageBox*>(top); m && m->objectName() == "BookDone") {
                    seen.done = true;
                    seen.doneText = m->text();
                    seen.doneDetails = m->informativeText();
                    m->findChild<QPushButton*>("B_abrir")->click();
                }
            }
        });
        robot.start();
        action->trigger();
        robot.stop();
    }

    // n footprints, linked to source where the file system allows.
    static void Copies(const QString& folder, const QString& source, int n) {
        QDir().mkpath(folder);
        for (int i = 0; i < n; ++i) {
            const QString to = folder + QStringLiteral("/F%1.kicad_mod").arg(i);
            if (::link(QFile::encodeName(source).constData(), QFile::encodeName(to).constData()) != 0) QFile::copy(source, to);
        }
    }

    std::unique_ptr<TForm1> w;
    Seen seen;
    QString target;

private:
    QString savedCwd_;
    UiDialogs saved_;
    std::function<void(const QString&)> savedOpen_;
};

} // namespace

TEST(BookDialog, DefaultsAndChoices) {
    TBookDialog d(QStringLiteral("exemplo.pretty"), 3);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Catálogo PDF"));
    EXPECT_TRUE(d.RB_atual->isChecked());
    EXPECT_TRUE(d.RB_todas->isEnabled());
    EXPECT_EQ(d.RB_todas->text(), QStringLiteral("Todas as bibliotecas da pasta (3)"));
    EXPECT_EQ(d.CB_papel->count(), 2);
    EXPECT_EQ(d.CB_papel->itemText(0), "A4");
    EXPECT_EQ(d.CB_papel->itemText(1), "Carta");
    EXPECT_EQ(d.CB_papel->currentIndex(), 0);
    EXPECT_TRUE(d.RB_ajustar->isChecked());
    EXPECT_EQ(d.RB_ajustar->text(), QStringLiteral("Ajustar à célula"));
    EXPECT_EQ(d.RB_escala->text(), QStringLiteral("Escala 1:1"));
    EXPECT_TRUE(d.CB_numeros->isChecked());
    const Palette colours{1, 2, 3, 4};
    book::BookOptions o = d.Options(colours);
    EXPECT_EQ(o.paper, book::Paper::A4);
    EXPECT_FALSE(o.trueScale);
    EXPECT_TRUE(o.padNumbers);
    EXPECT_EQ(o.colours.pad, 1);
    EXPECT_EQ(o.colours.hole, 4);
    EXPECT_FALSE(d.AllLibraries());

    d.CB_papel->setCurrentIndex(1);
    d.RB_escala->click();
    d.CB_numeros->click();
    d.RB_todas->click();
    o = d.Options(colours);
    EXPECT_EQ(o.paper, book::Paper::Letter);
    EXPECT_TRUE(o.trueScale);
    EXPECT_FALSE(o.padNumbers);
    EXPECT_TRUE(d.AllLibraries());
    EXPECT_FALSE(d.RB_ajustar->isChecked());

    // Without a library shown only the folder's can be chosen.
    TBookDialog none(QString(), 2);
    EXPECT_FALSE(none.RB_atual->isEnabled());
    EXPECT_TRUE(none.RB_todas->isChecked());
}

TEST_F(BookWindow, TheCurrentLibraryToAFileThatTheLastMessageOpens) {
    QTemporaryDir d;
    target = d.filePath("catalogo");  // ".pdf" is added
    Open(kSamples);
    PickFile("exemplo.pretty/");
    Run([](TBookDialog& dialog) { EXPECT_TRUE(dialog.RB_atual->isChecked()); });
    EXPECT_TRUE(seen.dialog);
    EXPECT_TRUE(seen.progress);
    EXPECT_TRUE(seen.messages.empty()) << seen.messages[0];
    const QString file = d.filePath("catalogo.pdf");
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_TRUE(seen.done);
    EXPECT_EQ(seen.doneText, QStringLiteral("Catálogo gravado em:\n") + file);
    EXPECT_EQ(seen.doneDetails, QStringLiteral("3 páginas, 3 módulos"));
    EXPECT_EQ(seen.opened, file);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");
}

TEST_F(BookWindow, CancelLeavesNoFile) {
    QTemporaryDir d;
    Copies(d.filePath("grande.pretty"), kSamples + "/exemplo.pretty/DIP-8_W7.62mm.kicad_mod", 1000);
    target = d.filePath("catalogo.pdf");
    Open(d.path());
    PickFile("grande.pretty/");
    Run([](TBookDialog&) {}, true);
    EXPECT_TRUE(seen.progress);
    EXPECT_GT(seen.progressValue, 0);
    EXPECT_TRUE(seen.progressLabel.endsWith(QStringLiteral(" de 1000 módulos"))) << seen.progressLabel.toStdString();
    EXPECT_FALSE(seen.done);
    EXPECT_TRUE(seen.opened.isEmpty());
    EXPECT_TRUE(seen.messages.empty());
    EXPECT_EQ(QDir(d.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"grande.pretty"});
}

// Every library of the folder, one with a footprint that cannot be read:
// the catalog is made, its cell says why, the message counts it.
TEST_F(BookWindow, EveryLibraryOfTheFolderWithOneThatCannotBeRead) {
    QTemporaryDir d;
    Copies(d.filePath("a.pretty"), kSamples + "/exemplo.pretty/SOT-23.kicad_mod", 2);
    QDir().mkpath(d.filePath("b.pretty"));
    QFile bad(d.filePath("b.pretty/Quebrado.kicad_mod"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("(footprint \"Quebrado\" (pad");
    bad.close();
    QDir().mkpath(d.filePath("out"));
    target = d.filePath("out/todas.pdf");
    Open(d.path());
    Run([](TBookDialog& dialog) {
        EXPECT_FALSE(dialog.RB_atual->isEnabled());  // nothing picked
        EXPECT_EQ(dialog.RB_todas->text(), QStringLiteral("Todas as bibliotecas da pasta (2)"));
        dialog.RB_escala->click();
        dialog.CB_papel->setCurrentIndex(1);
    });
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_TRUE(seen.done);
    EXPECT_EQ(seen.doneDetails, QStringLiteral("4 páginas, 3 módulos; 1 não puderam ser lidos (as células dizem por quê)"));
}
