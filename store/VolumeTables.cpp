#include "store/VolumeTables.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "store/Text.h"

namespace veloria::store {
namespace {

VolumeTables::Entry Open(const Volume& volume, VolumeTables::Headings headings,
                         const std::filesystem::path& dir) {
    std::optional<Table> index;
    if (headings == VolumeTables::Headings::With)
        index.emplace(volume.indexTable, "NUM_I", dir);
    return {volume, Table(volume.volumeTable, "NUMERO", dir), std::move(index)};
}

template <std::size_t... I>
std::array<VolumeTables::Entry, kVolumeCount> OpenAll(VolumeTables::Headings headings,
                                                      const std::filesystem::path& dir,
                                                      std::index_sequence<I...>) {
    const auto volumes = Volumes();
    return {Open(volumes[I], headings, dir)...};
}

}  // namespace

VolumeTables::VolumeTables(Headings headings, std::filesystem::path dir)
    : entries_(OpenAll(headings, dir, std::make_index_sequence<kVolumeCount>())) {}

VolumeTables::Entry* VolumeTables::Find(std::string_view libro) {
    if (libro.size() != 1)
        return nullptr;
    for (Entry& e : entries_) {
        if (e.volume.code == libro[0])
            return &e;
    }
    return nullptr;
}

VolumeTables::Entry& VolumeTables::operator[](char code) {
    if (Entry* e = Find(std::string_view(&code, 1)))
        return *e;
    throw std::logic_error(std::string("no volume of book code ") + code);
}

Table* VolumeTables::FindSentence(std::string_view libro, std::string_view numero) {
    Entry* e = Find(libro);
    if (!e || !e->book.FindKey(numero))
        return nullptr;
    return &e->book;
}

std::array<Table*, kVolumeCount> VolumeTables::Books() {
    std::array<Table*, kVolumeCount> books{};
    for (std::size_t i = 0; i < entries_.size(); ++i)
        books[i] = &entries_[i].book;
    return books;
}

std::string SentenceWithReference(const Table& book) {
    return SentenceWithReference(book.FieldView("Umemo"), book.FieldView("Referencia"));
}

std::string SentenceWithReference(std::string_view sentence, std::string_view reference) {
    return std::string(sentence) + " (" + Trim(reference) + ")";
}

}  // namespace veloria::store
