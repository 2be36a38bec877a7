#include "widgets/FileChoice.h"

#include <QFileDialog>

#include "widgets/QtText.h"

namespace veloria::widgets {

namespace {

FileChooser& Chooser() {
    static FileChooser chooser;
    return chooser;
}

}  // namespace

std::filesystem::path ChooseFile(const FileQuestion& question) {
    if (Chooser())
        return Chooser()(question);
    QString filter = ToQString(question.filter);
    if (!filter.isEmpty())
        filter += QStringLiteral(";;");
    filter += QStringLiteral("All files (*)");
    const QString name =
        question.save
            ? QFileDialog::getSaveFileName(nullptr, ToQString(question.caption),
                                           ToQString(question.name), filter)
            : QFileDialog::getOpenFileName(nullptr, ToQString(question.caption), QString(), filter);
    return std::filesystem::path(name.toStdString());
}

void SetFileChooser(FileChooser chooser) {
    Chooser() = std::move(chooser);
}

}  // namespace veloria::widgets
