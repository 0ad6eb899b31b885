#include "controls/TSaveDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {
struct FileType {
    QString description;
    QString pattern;
};

QList<FileType> fileTypes(const QString& filter)
{
    QList<FileType> types;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2)
        types.append({parts.at(i), parts.at(i + 1)});
    return types;
}
} // namespace

QString TSaveDialog::ExtensionOf(int filterIndex) const
{
    const QList<FileType> types = fileTypes(Filter);
    if (filterIndex < 0 || filterIndex >= types.size())
        return QString();
    return types.at(filterIndex).pattern.section(QLatin1Char('.'), -1);
}

bool TSaveDialog::Execute(QWidget* parent)
{
    const QList<FileType> types = fileTypes(Filter);
    QStringList filters;
    for (const FileType& type : types)
        filters << type.description;
    QString selected = filters.value(FilterIndex);
    QString suggested = FileName;
    if (!suggested.isEmpty() && QFileInfo(suggested).suffix().isEmpty() && !ExtensionOf(FilterIndex).isEmpty())
        suggested += QLatin1Char('.') + ExtensionOf(FilterIndex);
    const QString path = QFileDialog::getSaveFileName(parent, Title, QDir(InitialDir).filePath(suggested),
                                                      filters.join(QStringLiteral(";;")), &selected);
    if (path.isEmpty())
        return false;
    FilterIndex = qMax(0, filters.indexOf(selected));
    FileName = path;
    // A name that does not end in one of the offered types takes the chosen type's extension.
    QStringList extensions;
    for (int i = 0; i < types.size(); ++i)
        extensions << ExtensionOf(i);
    if (!extensions.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive) &&
        !ExtensionOf(FilterIndex).isEmpty())
        FileName += QLatin1Char('.') + ExtensionOf(FilterIndex);
    InitialDir = QFileInfo(FileName).absolutePath();
    return true;
}
