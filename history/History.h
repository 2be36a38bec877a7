#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "study/StudyData.h"

// The searches of the history (study::StudyStore::History), newest first, as the windows offer
// them.
namespace veloria::history {

// An entry as the windows show it (Windows-1252): its words, mode, volumes ("All five volumes"
// when it searched them all), hits and when it ran.
struct Described {
    std::string words, mode, volumes, hits, when;
};
Described DescribeParts(const study::HistoryEntry& entry);

// The parts in one line, as "LOVE - Any order - Text, Workbook - 12 hits - 2026-12-09 10:40".
std::string Describe(const study::HistoryEntry& entry);

// The history as a menu under a control (the search dialog's word box); the search chosen, or
// nothing (none chosen, no store, an empty history).
std::optional<study::SearchSpec> ChooseFromHistory(QWidget& below);

}  // namespace veloria::history
