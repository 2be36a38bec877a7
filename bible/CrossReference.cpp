#include "bible/CrossReference.h"

#include "glossary/Markup.h"
#include "widgets/StoredPicture.h"

namespace veloria::bible {

const widgets::TPicture& Background() {
    static const widgets::TPicture picture = widgets::StoredPicture("Biblia.jpg");
    return picture;
}

std::string PassageText(const store::Table& biblia) {
    std::string text;
    for (const char* field :
         {"U1", "U2", "U3", "U4", "U5", "U6", "U7", "U8", "U9", "U10", "U11", "U12", "U13"}) {
        text += biblia.FieldView(field);
    }
    return glossary::HashToBlank(text);
}

void RewriteTable(store::Table& table, const std::function<void()>& fill) {
    store::Table::Batch batch(table);
    // Destroyed before the batch: a row whose Post failed is dropped before the rollback.
    struct DropPending {
        store::Table& table;
        ~DropPending() { table.Cancel(); }
    } drop{table};
    table.Close();
    table.SetExclusive(true);
    table.Open();
    table.EmptyTable();
    fill();
    batch.Commit();
}

}  // namespace veloria::bible
