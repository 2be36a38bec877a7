#include "store/Schema.h"

#include <algorithm>
#include <vector>

namespace veloria::store {
namespace {

using enum FieldKind;

std::vector<FieldDef> VolumeFields() {
    // The search forms are read by the search alone, in one pass of its own: the table engine
    // leaves them in the file.
    return {{"Numero", Integer}, {"Umemo", Memo},     {"Referencia", Text},  {"Pagina", Integer},
            {"Biblia", Text},    {"Num_I", Integer},  {"Parrafo2", Integer}, {"A1", Text, false},
            {"A2", Text, false}, {"A3", Text, false}, {"A4", Text, false}};
}

std::vector<FieldDef> IndexFields() {
    return {{"Num_I", Integer}, {"Nom_1", Text}, {"Nom_2", Text}};
}

// Split texts: consecutive fields U1, U2, ... whose concatenation is the whole text.
void AddSplitFields(std::vector<FieldDef>& fields, std::string_view prefix, int count) {
    // Field names must outlive the table list, so they are spelled out rather than built.
    static constexpr std::string_view kU[] = {"U1", "U2", "U3",  "U4",  "U5",  "U6", "U7",
                                              "U8", "U9", "U10", "U11", "U12", "U13"};
    static constexpr std::string_view kC[] = {"C1", "C2", "C3", "C4"};
    for (int i = 0; i < count; ++i)
        fields.push_back({prefix == "U" ? kU[i] : kC[i], Text});
}

constexpr Volume kVolumes[] = {
    {'T', "LTexto.DB", "Indice_T.db", "Text", true},
    {'E', "LEjercicio.DB", "Indice_E.db", "Workbook", true},
    {'M', "Maestro.DB", "Indice_M.db", kManualLabel, true},
    {'P', "LPsico.DB", "Indice_P.db", "Psychotherapy", false},
    {'S', "LOracion.DB", "Indice_S.db", "The Song Of Prayer", false},
};

std::vector<TableDef> MakeTables() {
    std::vector<TableDef> tables;
    for (const Volume& v : kVolumes)
        tables.push_back({v.volumeTable, VolumeFields(), "Numero", {"NUMERO"}, true, true});
    for (const Volume& v : kVolumes)
        tables.push_back({v.indexTable, IndexFields(), "Num_I", {"NUM_I"}, true, false});

    std::vector<FieldDef> glossary = {{"NOMBRE", Text}, {"NOMBRE2", Text}};
    AddSplitFields(glossary, "U", 7);
    glossary.push_back({"Uposi", Text});
    tables.push_back({"Glosario.DB", glossary, "NOMBRE", {"NOMBRE2"}, true, false});

    std::vector<FieldDef> bible = {{"NUMERO", Integer}, {"REFERENCIA", Text}, {"TEXTO", Text}};
    AddSplitFields(bible, "U", 13);
    AddSplitFields(bible, "C", 4);
    tables.push_back({"Biblia.DB", bible, "NUMERO", {"NUMERO"}, true, false});

    tables.push_back(
        {"VLBiblia.DB",
         {{"Libro", Text}, {"Numero", Text}, {"Referencia", Text}, {"Pensamiento", Memo}},
         {},
         {},
         true,
         false});
    tables.push_back(
        {"Frases.DB", {{"NUMERO", Integer}, {"Umemo", Memo}}, "NUMERO", {"NUMERO"}, true, false});

    // Written by the program.
    tables.push_back(
        {"Texto_B.DB",
         {{"Referencia", Text}, {"Numero", Text}, {"Pensamiento", Text}, {"Libro", Text}},
         {},
         {},
         false,
         false});
    tables.push_back({"Texto2B.DB",
                      {{"Libro", Text},
                       {"Numero", Text},
                       {"Referencia", Text},
                       {"Pagina", Text},
                       {"Pensamiento", Memo}},
                      {},
                      {},
                      false,
                      false});
    tables.push_back(
        {"TBiblia.db", {{"Referencia", Text}, {"Numero", Text}}, {}, {}, false, false});
    tables.push_back({"Configura.db",
                      {{"Cantidad", Integer}, {"Fecha", Text}, {"BNumero", Text}},
                      {},
                      {},
                      false,
                      false});
    return tables;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

}  // namespace

std::span<const TableDef> AllTables() {
    static const std::vector<TableDef> tables = MakeTables();
    return tables;
}

const TableDef* FindTableDef(std::string_view fileName) {
    for (const TableDef& def : AllTables()) {
        if (SameName(def.fileName, fileName))
            return &def;
    }
    return nullptr;
}

int FieldIndex(const TableDef& def, std::string_view fieldName) {
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        if (SameName(def.fields[i].name, fieldName))
            return int(i);
    }
    return -1;
}

bool IsProgramFile(std::string_view fileName) {
    for (std::string_view suffix : kSideFileSuffixes) {
        if (fileName.size() > suffix.size() &&
            SameName(fileName.substr(fileName.size() - suffix.size()), suffix)) {
            fileName.remove_suffix(suffix.size());
            break;
        }
    }
    const TableDef* def = FindTableDef(fileName);
    return def && !def->content;
}

bool IsUserFile(std::string_view fileName) {
    if (!fileName.starts_with(kStudyFile))
        return false;
    const std::string_view rest = fileName.substr(kStudyFile.size());
    if (rest.empty() || rest.starts_with('.'))
        return true;
    return std::find(kSideFileSuffixes.begin(), kSideFileSuffixes.end(), rest) !=
           kSideFileSuffixes.end();
}

std::string_view ManualPartOfHeading(std::string_view trimmedNom1) {
    return trimmedNom1 == kManualHeading ? kManualLabel : kClarificationLabel;
}

std::string_view ManualPartOfReference(std::string_view reference) {
    return reference.starts_with('M') ? kManualLabel : kClarificationLabel;
}

bool IsComputedField(const TableDef& def, std::string_view fieldName) {
    return def.bookTable &&
           (fieldName == "A1" || fieldName == "A2" || fieldName == "A3" || fieldName == "A4");
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

std::span<const Volume, kVolumeCount> Volumes() {
    return kVolumes;
}

const Volume* FindVolume(char code) {
    for (const Volume& v : kVolumes) {
        if (v.code == code)
            return &v;
    }
    return nullptr;
}

}  // namespace veloria::store
