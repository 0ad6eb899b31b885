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

QString TSaveDialog::SuggestedName(const QString& name) const
{
    if (name.isEmpty() || !QFileInfo(name).suffix().isEmpty() || ExtensionOf(FilterIndex).isEmpty())
        return name;
    return name + QLatin1Char('.') + ExtensionOf(FilterIndex);
}

QString TSaveDialog::WithExtension(const QString& path, int filterIndex) const
{
    const qsizetype types = fileTypes(Filter).size();
    for (int i = 0; i < types; ++i)
        if (QFileInfo(path).suffix().compare(ExtensionOf(i), Qt::CaseInsensitive) == 0)
            return path;
    const QString extension = ExtensionOf(filterIndex);
    return extension.isEmpty() ? path : path + QLatin1Char('.') + extension;
}

bool TSaveDialog::Execute(QWidget* parent)
{
    QStringList filters;
    for (const FileType& type : fileTypes(Filter))
        filters << type.description;
    QString selected = filters.value(FilterIndex);
    const QString path = QFileDialog::getSaveFileName(
        parent, Title, QDir(InitialDir).filePath(SuggestedName(FileName)),
        filters.join(QStringLiteral(";;")), &selected);
    if (path.isEmpty())
        return false;
    FilterIndex = qMax(0, filters.indexOf(selected));
    FileName = WithExtension(path, FilterIndex);
    InitialDir = QFileInfo(FileName).absolutePath();
    return true;
}
