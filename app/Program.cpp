#include "app/Program.h"

#include <cstdlib>
#include <exception>

#include "bible/PABVeloria.h"
#include "bible/PaBc.h"
#include "bible/PaBiblia.h"
#include "bible/PaCB.h"
#include "glossary/PaGlosario.h"
#include "notes/Bookmarking.h"
#include "notes/BookmarksWindow.h"
#include "reader/ReadingWindow.h"
#include "reading/PaDesplegar.h"
#include "reading/Principal.h"
#include "search/PaBarra.h"
#include "search/PaBuscar.h"
#include "settings/Settings.h"
#include "study/Study.h"
#include "tip/PaFrase.h"
#include "widgets/Application.h"
#include "widgets/Form.h"
#include "widgets/StoredPicture.h"
#include "widgets/Types.h"

namespace veloria::app {

namespace {

// The windows only the commands open, in their fixed order.
void CreateCommandWindows() {
    using widgets::Application;
    FGlosario = Application().CreateForm<TFGlosario>();
    FBuscar = Application().CreateForm<TFBuscar>();
    PBarra = Application().CreateForm<TPBarra>();
    FBiblia = Application().CreateForm<TFBiblia>();
    FDesplegar = Application().CreateForm<TFDesplegar>();
    FBC = Application().CreateForm<TFBC>();
    FB_Veloria = Application().CreateForm<TFB_Veloria>();
    FCurBi = Application().CreateForm<TFCurBi>();
    reader::Reader = Application().CreateForm<reader::ReadingWindow>();
    FSettings = Application().CreateForm<TSettingsForm>();
    notes::Bookmarks = Application().CreateForm<notes::BookmarksWindow>();
    notes::ConnectReader(*reader::Reader);
}

}  // namespace

void ForgetForms() {
    Form1 = nullptr;
    FGlosario = nullptr;
    FBuscar = nullptr;
    PBarra = nullptr;
    FBiblia = nullptr;
    FDesplegar = nullptr;
    FBC = nullptr;
    FB_Veloria = nullptr;
    FFrase = nullptr;
    FCurBi = nullptr;
    reader::Reader = nullptr;
    FSettings = nullptr;
    notes::Bookmarks = nullptr;
}

void CreateForms(TSplashForm* splash) {
    StartPreparation here(StartPreparation::Where::Here);
    CreateForms(splash, here);
}

void CreateForms(TSplashForm* splash, StartPreparation& preparation) {
    using widgets::Application;
    // A store that cannot be used is said, and the program works without.
    if (const std::string problem = preparation.Finish(); !problem.empty())
        Application().MessageBox(problem, "Veloria");
    settings::ApplyStoredSettings();
    // What the start shows first, the main window and the tip of the day, is made first; the
    // other windows, nearly half the time of making them all, once the first window is painted.
    // Their tables are opened then, and a table that cannot be opened still ends the program with
    // its message. Until then they are none, never the windows of an earlier start in the process.
    ForgetForms();
    Form1 = Application().CreateForm<TForm1>();
    FFrase = Application().CreateForm<TFFrase>();
    preparation.Release();
    Form1->SplashHandle = splash;
    Application().AfterFirstPaint(settings::TipAtStart() ? "FFrase" : "Form1", [] {
        widgets::ForgetStoredAhead();
        if (const std::string problem = study::CheckStudy(); !problem.empty()) {
            Application().MessageBox(problem, "Veloria");
            notes::BookmarksChanged();  // none in the new store
        }
        try {
            CreateCommandWindows();
        } catch (const std::exception& e) {
            Application().ShowException(e.what());
            std::exit(1);
        }
    });
}

}  // namespace veloria::app
