#pragma once

#include <array>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "export/Passages.h"
#include "store/Table.h"
#include "store/VolumeTables.h"
#include "widgets/BrowseForm.h"
#include "widgets/Buttons.h"
#include "widgets/DBGrid.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/Picture.h"
#include "widgets/ScrollBar.h"
#include "widgets/SingleInstance.h"
#include "widgets/StdCtrls.h"
#include "widgets/Timer.h"

// The main window: the current hit of the last search with its sentence, reference, page,
// volume, headings and Bible indicator; the moves through the hits; and the commands that copy,
// show the paragraph, and open the other windows.
class TForm1 : public veloria::widgets::TBrowseForm {
  public:
    TForm1();
    ~TForm1() override;

    // The splash window, closed by the timer once the message loop runs.
    veloria::widgets::TForm* SplashHandle = nullptr;

  private:
    // Taken first of all: a second copy of the program ends here, before it opens anything.
    std::unique_ptr<veloria::widgets::SingleInstance> guard_;

  public:
    // Tables, each the window's own handle.
    veloria::store::Table Texto_B{"Texto_B.DB"};
    veloria::store::Table Configura{"Configura.db"};
    // The five volume tables with their headings.
    veloria::store::VolumeTables Volumes{veloria::store::VolumeTables::Headings::With};
    // Opens the tables above as the window does and reads what making it reads, keeping them in
    // `kept`. Run on another thread before the window is made, it leaves the window's own opening
    // and reading to find them in memory. Throws what making the window would throw.
    static void ReadAhead(std::vector<std::shared_ptr<void>>& kept);

    veloria::widgets::TImage* Image1;
    veloria::widgets::TImage* Image2;
    veloria::widgets::TLabel* Label1;
    veloria::widgets::TLabel* Label2;
    veloria::widgets::TLabel* Label3;
    veloria::widgets::TLabel* Label4;
    veloria::widgets::TLabel* Label5;
    veloria::widgets::TLabel* Label6;
    veloria::widgets::TLabel* Label7;
    veloria::widgets::TLabel* Label8;
    veloria::widgets::TMemo* Memo1;
    veloria::widgets::TdxButton* Boton1;
    veloria::widgets::TdxButton* dxButton1;
    veloria::widgets::TdxButton* dxButton2;
    veloria::widgets::TdxButton* dxButton10;
    veloria::widgets::TdxButton* dxButton5;
    veloria::widgets::TdxButton* dxButton3;
    veloria::widgets::TdxButton* B_Biblia;
    veloria::widgets::TdxButton* dxButton4;
    veloria::widgets::TdxButton* dxButton6;
    veloria::widgets::TdxButton* dxButton7;
    veloria::widgets::TdxButton* dxButton8;
    veloria::widgets::TdxButton* dxButton9;
    veloria::widgets::TdxButton* dxButton15;
    // Opens the reading window at the current hit.
    veloria::widgets::TdxButton* ReadButton;
    // Below the window's own controls: which search the hits come from, with the hits of each
    // volume; after a search that was refused, that the hits are still the old ones.
    veloria::widgets::TLabel* SearchLine;
    // Opens the settings window.
    veloria::widgets::TdxButton* SettingsButton;
    // The user's own: the bookmark of the current hit and its note, the list of bookmarks.
    veloria::widgets::TdxButton* BookmarkButton;
    veloria::widgets::TdxButton* BookmarksButton;
    veloria::widgets::TdxButton* HistoryButton;
    // The hits taken out: the clipboard, a file, the printer.
    veloria::widgets::TdxButton* ExportButton;
    // Whether the current hit has a bookmark, and the first line of its note.
    veloria::widgets::TLabel* MarkLabel;
    veloria::widgets::TButton* Button1;
    veloria::widgets::TButton* Button4;
    veloria::widgets::TTimer Timer1{this};

    void FormActivate();
    void Button1Click();
    void Button4Click();
    void dxButton7Click();
    void dxButton8Click();
    void dxButton9Click();
    void dxButton15Click();
    void dxButton4Click();
    void dxButton6Click();
    void Boton1Click();
    void dxButton1Click();
    void dxButton2Click();
    void B_BibliaClick();
    void dxButton10Click();
    void dxButton5Click();
    void dxButton3Click();
    void ReadButtonClick();
    void SettingsButtonClick();
    void BookmarkButtonClick();
    void BookmarksButtonClick();
    void ExportButtonClick();
    void HistoryButtonClick();
    void ShowMark();
    // The hits as an export takes them out, with the search at the top.
    veloria::exporting::Takeout HitsTakeout(std::span<const int> rows = {});
    void Timer1Timer();

  private:
    // The command buttons, which a window opened over this one turns off: the thirteen and those
    // the window has beyond them.
    std::array<veloria::widgets::TdxButton*, 19> CommandButtons();
    // The volume of the current result row, or nullptr (an empty result table has no book code).
    veloria::store::VolumeTables::Entry* CurrentVolume();

    // The display step for the current result row, over the volumes whose codes are given.
    void ShowCurrentSentence(std::string_view codes = "TESPM");
    void ShowCounter();
    // The sentence of the current result row, found again in its volume table; nullptr when
    // there is none. Copy and the Bible command use it rather than wherever an earlier walk
    // left the volume table.
    veloria::store::Table* FindCurrentSentence();
    void BuildParagraphText();
    // A command that opens a window: disable the commands, prepare, show it modally, restore.
    void OpenChild(veloria::widgets::TForm& child, const std::function<void()>& prepare = {},
                   bool afterSearch = false);
    // The Bible indicator: its picture (a decoration: the window goes on without it) and state.
    void SetBibleIndicator(bool cites);
    // Loads a decoration of the working directory into an image; the window goes on without it.
    void LoadPicture(veloria::widgets::TImage& image, const char* fileName);
    void ShowSearchLine();
    // At the first activation: the hits of an earlier run, when the user's store remembers the
    // search that made them, come back with its marks and on the hit the user left.
    void RestorePlace();
    // The hit the user is on, for the next start.
    void KeepPlace();
    // The look in use, again (after the settings changed it).
    void ApplyLook();
};

extern TForm1* Form1;
