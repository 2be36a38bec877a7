// The program: the splash, every window created once in a fixed order, the message loop.
#include <QApplication>
#include <exception>

#include "app/PaPresentacion.h"
#include "bible/PABVeloria.h"
#include "bible/PaBc.h"
#include "bible/PaBiblia.h"
#include "bible/PaCB.h"
#include "glossary/PaGlosario.h"
#include "reading/PaDesplegar.h"
#include "reading/Principal.h"
#include "search/PaBarra.h"
#include "search/PaBuscar.h"
#include "tip/PaFrase.h"
#include "widgets/Application.h"
#include "widgets/Form.h"

using veloria::widgets::Application;

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    Application().Initialize();

    // Painted at once: the loop does not run until every window exists.
    TSplashForm splash;
    splash.Show();
    splash.Repaint();

    Application().SetTitle("Veloria");
    try {
        Form1 = Application().CreateForm<TForm1>();
        FGlosario = Application().CreateForm<TFGlosario>();
        FBuscar = Application().CreateForm<TFBuscar>();
        PBarra = Application().CreateForm<TPBarra>();
        FBiblia = Application().CreateForm<TFBiblia>();
        FDesplegar = Application().CreateForm<TFDesplegar>();
        FBC = Application().CreateForm<TFBC>();
        FB_Veloria = Application().CreateForm<TFB_Veloria>();
        FFrase = Application().CreateForm<TFFrase>();
        FCurBi = Application().CreateForm<TFCurBi>();
    } catch (const std::exception& e) {
        // A table that cannot be opened leaves nothing to work with.
        Application().ShowException(e.what());
        return 1;
    }
    Form1->SplashHandle = &splash;
    Application().Run();
    return 0;
}
