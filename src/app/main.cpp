// The program: creates its windows in their start-up order, shows the main
// window and runs the event loop until the main window closes.
#include "index/ui/pag2.h"
#include "viewer/ui/mainform.h"

int main(int argc, char** argv) {
    tarnel::TApplication app(argc, argv);
    tarnel::InstallFontSubstitutes();
    // Other windows closing must not end the program, the main one must.
    app.setQuitOnLastWindowClosed(false);

    // 1. The main window, first: the program ends when it closes.
    TForm1 Form1;
    QObject::connect(&Form1, &TForm1::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    // 2. The component list catalog TQR_lista goes here; it fills
    //    Form1.RunListCatalog.

    // 3. The component index window, hidden until "pag2".
    TForm2 Form2(Form1.FileList(), &Form1);
    Form1.Form2 = &Form2;

    // 4. TForm3 with the drawing catalog goes here; it fills
    //    Form1.RunDrawingCatalog.
    // 5. The preview window TPrevForm goes here, with the preview provider
    //    registered with the page engine.

    Form1.show();
    return app.exec();
}
