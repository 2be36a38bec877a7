#pragma once

#include <string_view>
#include <vector>

#include "export/Passages.h"
#include "study/StudyData.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"
#include "widgets/ListView.h"
#include "widgets/StdCtrls.h"

// The list of the user's bookmarks, newest first: a filter over their notes and references, the
// sentence opened in the reading window, the note edited, a bookmark deleted (and the deletes
// undone, the last first), and the bookmarks written to a bookmarks file or read from one.
//
// An ordinary window beside the main window, like the reading window, so that the user goes from
// a bookmark to its sentence and back without closing it; made once and kept, closing hides it.
namespace veloria::notes {

class BookmarksWindow : public widgets::TForm {
  public:
    BookmarksWindow();

    // Comes forward with the list read afresh.
    void Open();
    // Reads the bookmarks again under the filter, keeping the current one where it can.
    void Fill();
    // The bookmark of the current row; nothing when the list is empty.
    std::optional<study::Bookmark> Current() const;

    void OpenCurrent();
    void EditCurrent();
    void DeleteCurrent();
    void Undo();
    // The bookmarks listed, with their notes, in the export window.
    void PrintList();
    void ExportFile();
    void ImportFile();

    widgets::TLabel* FilterLabel;
    widgets::TEdit* FilterBox;
    widgets::TListView* List;
    widgets::TdxButton* OpenButton;
    widgets::TdxButton* EditButton;
    widgets::TdxButton* DeleteButton;
    widgets::TdxButton* UndoButton;
    widgets::TdxButton* PrintButton;
    widgets::TdxButton* ExportButton;
    widgets::TdxButton* ImportButton;
    widgets::TdxButton* CloseButton;
    widgets::TLabel* Message;

  private:
    void ShowState();
    exporting::Takeout ListTakeout() const;

    std::vector<study::Bookmark> shown_;
    // Deleted here, the last at the back, for Undo.
    std::vector<study::Bookmark> deleted_;
};

// The list window, made with the others; nullptr before.
extern BookmarksWindow* Bookmarks;

}  // namespace veloria::notes
