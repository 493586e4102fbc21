// The program: creates its windows in their start-up order, shows the main
// window and runs the event loop until the main window closes.
#include "catalogs/catalogs.h"
#include "index/ui/pag2.h"
#include "preview/dialogs.h"
#include "preview/messages.h"
#include "preview/tqrpreviewinterf.h"
#include "viewer/ui/mainform.h"


int main(int argc, char** argv) {
    tarnel::TApplication app(argc, argv);
    // Names the cache folder (QStandardPaths::CacheLocation).
    app.setApplicationName(QStringLiteral("tarnel"));
    // Qt's standard dialogs and buttons in Portuguese, when installed.
    tarnel::InstallQtPortuguese(app);
    tarnel::InstallFontSubstitutes();
    // Other windows closing must not end the program, the main one must.
    app.setQuitOnLastWindowClosed(false);

    // 1. The main window, first: the program ends when it closes.
    TForm1 Form1;
    QObject::connect(&Form1, &TForm1::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    // 2. and 4. The catalogs (TQR_lista, TForm3 with QR_FIG) share the data
    //    cursor over the main window's module list.
    tarnel::Catalogs catalogs(Form1.Core());
    auto message = [&Form1](tarnel::UiDialogs::Icon icon) {
        return [&Form1, icon](const std::string& m) { tarnel::Dialogs().Message(&Form1, icon, m); };
    };
    catalogs.ShowError = message(tarnel::UiDialogs::Icon::Error);
    // "Catálogo gerado!" over the preview, where the user watches the run.
    catalogs.Cursor.ShowInfo = tarnel::MessageOverPreview(&Form1, tarnel::UiDialogs::Icon::Information);
    // The library whose modules are listed, whatever the file list's
    // selection has become since (an index run moves it).
    auto selected = [&Form1] { return Form1.ListedLibraryPath(); };
    Form1.RunListCatalog = [&catalogs, selected] { catalogs.Lista1Click(selected()); };
    Form1.RunDrawingCatalog = [&catalogs, selected] { catalogs.b_reportClick(selected()); };

    // 3. The component index window, hidden until "pag2".
    TForm2 Form2(Form1.FileList(), &Form1);
    Form1.Form2 = &Form2;
    // Its search over the KiCad libraries reads the tables the main window
    // was told to use.
    Form2.TablesSource = [&Form1] { return Form1.ReadKicadTables(); };

    // 5. Every report preview opens a preview window of its own.
    tarnel::tqrpreviewinterf previews;
    tarnel::RegisterPreviewProvider(&previews);

    Form1.show();
    return app.exec();
}
