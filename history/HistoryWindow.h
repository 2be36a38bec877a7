#pragma once

#include <optional>
#include <vector>

#include "study/StudyData.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"
#include "widgets/ListView.h"
#include "widgets/StdCtrls.h"

namespace veloria::history {

// The searches the user ran, newest first, shown modally over the main window: one is chosen to
// run again ("&Search again", Enter, a double click), deleted, or the whole history cleared.
class HistoryWindow : public widgets::TForm {
  public:
    HistoryWindow();

    // The search chosen to run again once the window has closed; nothing when none was.
    const std::optional<study::SearchSpec>& Chosen() const { return chosen_; }

    void Fill();
    void SearchAgain();
    void DeleteCurrent();
    void ClearAll();

    widgets::TListView* List;
    widgets::TdxButton* SearchButton;
    widgets::TdxButton* DeleteButton;
    widgets::TdxButton* ClearButton;
    widgets::TdxButton* CloseButton;

  private:
    std::vector<study::HistoryEntry> entries_;
    std::optional<study::SearchSpec> chosen_;
};

}  // namespace veloria::history
