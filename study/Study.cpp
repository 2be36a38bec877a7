#include "study/Study.h"

#include <memory>

#include "store/Error.h"

namespace veloria::study {
namespace {

std::unique_ptr<StudyStore>& Current() {
    static std::unique_ptr<StudyStore> store;
    return store;
}

}  // namespace

StudyStore* Study() {
    return Current().get();
}

std::string OpenStudy(const std::filesystem::path& dataDir) {
    CloseStudy();
    try {
        Current() = std::make_unique<StudyStore>(dataDir);
    } catch (const store::StoreError& e) {
        return std::string(e.what()) +
               "\nYour settings, bookmarks and notes are not kept while this lasts.";
    }
    const auto& setAside = Current()->SetAsideAtOpen();
    return setAside ? setAside->message : std::string();
}

void CloseStudy() {
    Current().reset();
}

}  // namespace veloria::study
