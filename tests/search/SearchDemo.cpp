// The search dialog and the progress window on a small corpus, to look at under a real display:
//   search_ui_demo [seconds]
// It opens the dialog and types a query, then selects Exact Phrase, then shows the progress
// window with its gauge part-way, holding each stage for the given seconds (3 by default).
#include <QApplication>
#include <filesystem>
#include <string>

#include "search/PaBarra.h"
#include "search/PaBuscar.h"
#include "store/SearchForm.h"
#include "tests/store/TempDir.h"
#include "widgets/Application.h"
#include "widgets/Testing.h"

using namespace veloria;
namespace wt = widgets::testing;

namespace {

std::vector<std::string> Sentence(int n, const std::string& text) {
    const auto pieces = store::SplitSearchForm(store::SearchForm(text));
    return {std::to_string(n),
            text,
            "T-" + std::to_string(n),
            "1",
            "",
            "1",
            std::to_string(n),
            (*pieces)[0],
            (*pieces)[1],
            (*pieces)[2],
            (*pieces)[3]};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    widgets::Application().SetTitle("Veloria");
    widgets::Application().Initialize();
    const int ms = (argc > 1 ? std::stoi(argv[1]) : 3) * 1000;

    store::testing::TempDir dir;
    for (const char* table : {"LTexto.DB", "LEjercicio.DB", "Maestro.DB", "LPsico.DB"})
        store::testing::WriteTable(dir.path(), table, {Sentence(1, "Love is all there is.")});
    store::testing::WriteTable(dir.path(), "LOracion.DB", {});
    store::testing::WriteTable(dir.path(), "Texto_B.DB", {});
    store::testing::WriteTable(dir.path(), "Configura.db", {{"0", "", ""}});
    std::filesystem::current_path(dir.path());

    FBuscar = widgets::Application().CreateForm<TFBuscar>();
    PBarra = widgets::Application().CreateForm<TPBarra>();

    wt::WhenModal(*FBuscar, [ms] {
        wt::TypeText(*FBuscar, "love is");
        wt::ProcessEvents(ms);
        wt::KeyClick(*FBuscar, Qt::Key_H, Qt::AltModifier);
        wt::ProcessEvents(ms);
        PBarra->Show();
        PBarra->Repaint();
        PBarra->SetProgress(0);
        for (int i = 0; i < 40; ++i)
            PBarra->AddProgress(1);
        wt::ProcessEvents(ms);
        PBarra->Close();
        FBuscar->Close();
    });
    FBuscar->ShowModal();
    widgets::Application().DestroyForms();
    std::filesystem::current_path(dir.path().parent_path());
    return 0;
}
