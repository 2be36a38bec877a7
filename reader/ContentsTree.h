#pragma once

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QTreeView>
#include <functional>
#include <span>
#include <string>

#include "store/VolumeText.h"
#include "widgets/Control.h"

// The contents of the work: the volumes, each with its chapters and their sections, as the index
// tables list them. A volume's chapters are gathered when it is first opened or searched.
//
// Type-ahead: letters typed in the list go to the next entry, in reading order and opened or not,
// with a word that begins with them (accents and case aside, as the search folds them); a pause
// starts a new word. Enter or a double click reads from the entry's first sentence.
namespace veloria::reader {

class ContentsModel : public QAbstractItemModel {
  public:
    explicit ContentsModel(std::span<store::VolumeText* const> volumes);

    QModelIndex index(int row, int column, const QModelIndex& parent) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex&) const override { return 1; }
    bool hasChildren(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Where an entry reads from: its volume and first sentence (0 when it has none).
    struct Place {
        int volume = -1;
        int row = 0;
    };
    Place PlaceOf(const QModelIndex& index) const;
    // The entry of a section.
    QModelIndex SectionIndex(int volume, int chapter, int section) const;

  private:
    struct Key {
        int volume = -1, chapter = -1, section = -1;
    };
    static Key Decode(const QModelIndex& index);
    const std::vector<store::ContentsChapter>& Chapters(int volume) const;

    std::vector<store::VolumeText*> volumes_;
};

class ContentsTree : public widgets::ControlHost<QTreeView> {
  public:
    ContentsTree(QWidget* parent, std::span<store::VolumeText* const> volumes);

    ContentsModel& Model() { return model_; }
    // Makes the entry of the section a row belongs to current, its volume and chapter opened.
    void ShowPlace(int volume, int row);

    // An entry was chosen (Enter, double click).
    std::function<void(int volume, int row)> OnChoose;

  protected:
    void keyboardSearch(const QString& search) override;

  private:
    // The next entry after `from`, in reading order over every entry, opened or not.
    QModelIndex NextEntry(const QModelIndex& from) const;
    void Reveal(const QModelIndex& index);

    ContentsModel model_;
    QString typed_;
    QElapsedTimer sinceTyped_;
};

}  // namespace veloria::reader
