#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "study/StudyData.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/StdCtrls.h"

namespace veloria::notes {

// The bookmark of one sentence and its note, shown modally over the window whose command opened
// it. "&Save" keeps the bookmark with the note as typed (making the bookmark when the sentence
// had none); "&Delete" takes the bookmark away at once and becomes "&Undo delete" for as long as
// the dialog is open; Cancel and Escape leave the note as it was stored.
class NoteDialog : public widgets::TForm {
  public:
    NoteDialog(study::Sentence sentence, std::string_view reference, std::string_view text);

    widgets::TLabel* SentenceLabel;
    widgets::TLabel* NoteLabel;
    widgets::TMemo* NoteBox;
    widgets::TdxButton* SaveButton;
    widgets::TdxButton* DeleteButton;
    widgets::TdxButton* CancelButton;
    widgets::TLabel* Message;

    void Save();
    void DeleteOrUndo();

  private:
    void ShowState();

    study::Sentence sentence_;
    std::string reference_;
    std::optional<study::Bookmark> stored_;
    std::optional<study::Bookmark> deleted_;
};

}  // namespace veloria::notes
