#include "study/Study.h"

#include <memory>

#include "store/Error.h"

namespace veloria::study {
namespace {

std::unique_ptr<StudyStore>& Current() {
    static std::unique_ptr<StudyStore> store;
    return store;
}

std::string NotKept(const store::StoreError& e) {
    return std::string(e.what()) +
           "\nYour settings, bookmarks and notes are not kept while this lasts.";
}

}  // namespace

StudyStore* Study() {
    return Current().get();
}

std::string OpenStudy(const std::filesystem::path& dataDir, Check check) {
    CloseStudy();
    try {
        Current() = std::make_unique<StudyStore>(dataDir, check);
    } catch (const store::StoreError& e) {
        return NotKept(e);
    }
    const auto& setAside = Current()->SetAsideAtOpen();
    return setAside ? setAside->message : std::string();
}

std::string CheckStudy() {
    StudyStore* store = Study();
    try {
        if (!store || store->PassesLaterCheck())
            return {};
    } catch (const store::StoreError& e) {
        return e.what();  // the file could not be read for the check; it stays in use
    }
    const std::filesystem::path file = store->File();
    CloseStudy();
    std::string message;
    try {
        message = SetAsideDamaged(file).message;
    } catch (const store::StoreError& e) {
        return NotKept(e);
    }
    const std::string opened = OpenStudy(file.parent_path());
    return opened.empty() ? message : message + "\n" + opened;
}

void CloseStudy() {
    Current().reset();
}

}  // namespace veloria::study
