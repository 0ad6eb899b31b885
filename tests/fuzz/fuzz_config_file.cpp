// Configuration files through the one reader: any bytes are read or refused with a message
// naming the file, never a crash; a file that reads gives back each value it holds, and its
// warnings name the file and a line.
#include "FuzzInput.h"
#include "base/ConfigFile.h"
#include "base/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const ConfigFile file = ConfigFile::parse(bytes, QStringLiteral("fuzz.ini"));
        const QStringList warnings =
            file.unknown({{QStringLiteral("database"), {QStringLiteral("path")}}});
        for (const QString& warning : warnings)
            fuzzRequire(warning.startsWith(QStringLiteral("fuzz.ini:")),
                        "a warning names the file and line", warning);
        if (const auto path = file.value(QStringLiteral("database"), QStringLiteral("path")))
            fuzzRequire(file.line(QStringLiteral("database"), QStringLiteral("path")) > 0,
                        "a value has its line", *path);
    } catch (const Exception& e) {
        fuzzRequire(e.Message().startsWith(QStringLiteral("'fuzz.ini' não é um arquivo de "
                                                          "configuração INI")),
                    "a refusal names the file", e.Message());
    }
    return 0;
}
