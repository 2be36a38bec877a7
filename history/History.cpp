#include "history/History.h"

#include <QDateTime>
#include <QMenu>

#include "store/Error.h"
#include "store/Schema.h"
#include "store/Text.h"
#include "study/Study.h"
#include "widgets/QtText.h"

namespace veloria::history {

Described DescribeParts(const study::HistoryEntry& entry) {
    const study::SearchSpec& s = entry.search;
    Described d;
    d.words = store::Trim(s.query);
    d.mode = s.mode == study::SearchMode::ExactPhrase ? "Exact phrase" : "Any order";
    if (s.exactWord && s.mode == study::SearchMode::AnyOrder)
        d.mode += ", exact word";
    std::size_t searched = 0;
    for (std::size_t i = 0; i < store::kVolumeCount; ++i) {
        if (!s.volumes[i])
            continue;
        ++searched;
        d.volumes += (d.volumes.empty() ? "" : ", ") + std::string(store::Volumes()[i].label);
    }
    if (searched == store::kVolumeCount)
        d.volumes = "All five volumes";
    d.hits = std::to_string(entry.hitCount) + (entry.hitCount == 1 ? " hit" : " hits");
    d.when = widgets::FromQString(
        QDateTime::fromSecsSinceEpoch(entry.ranAt).toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    return d;
}

std::string Describe(const study::HistoryEntry& entry) {
    const Described d = DescribeParts(entry);
    return d.words + " - " + d.mode + " - " + d.volumes + " - " + d.hits + " - " + d.when;
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
