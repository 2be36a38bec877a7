#include "history/History.h"

#include <QDateTime>
#include <QMenu>

#include "store/Error.h"
#include "store/Schema.h"
#include "store/Text.h"
#include "study/Study.h"
#include "widgets/QtText.h"

namespace veloria::history {

std::string Describe(const study::HistoryEntry& entry) {
    const study::SearchSpec& s = entry.search;
    std::string volumes;
    for (std::size_t i = 0; i < store::kVolumeCount; ++i) {
        if (s.volumes[i])
            volumes += (volumes.empty() ? "" : ", ") + std::string(store::Volumes()[i].label);
    }
    std::string mode = s.mode == study::SearchMode::ExactPhrase ? "Exact phrase" : "Any order";
    if (s.exactWord && s.mode == study::SearchMode::AnyOrder)
        mode += ", exact word";
    const std::string when = widgets::FromQString(
        QDateTime::fromSecsSinceEpoch(entry.ranAt).toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    return store::Trim(s.query) + " - " + mode + " - " + volumes + " - " +
           std::to_string(entry.hitCount) + (entry.hitCount == 1 ? " hit - " : " hits - ") + when;
}

std::optional<study::SearchSpec> ChooseFromHistory(QWidget& below) {
    study::StudyStore* store = study::Study();
    if (!store)
        return std::nullopt;
    std::vector<study::HistoryEntry> entries;
    try {
        entries = store->History();
    } catch (const store::StoreError&) {
        // An offer, not a command: a history that cannot be read offers nothing.
        return std::nullopt;
    }
    if (entries.empty())
        return std::nullopt;
    QMenu menu(&below);
    menu.setObjectName(QStringLiteral("HistoryMenu"));
    menu.setAccessibleName(QStringLiteral("Earlier searches"));
    for (std::size_t i = 0; i < entries.size(); ++i)
        menu.addAction(widgets::ToQString(Describe(entries[i])))->setData(int(i));
    menu.setActiveAction(menu.actions().front());
    QAction* chosen = menu.exec(below.mapToGlobal(QPoint(0, below.height())));
    if (!chosen)
        return std::nullopt;
    return entries[std::size_t(chosen->data().toInt())].search;
}

}  // namespace veloria::history
