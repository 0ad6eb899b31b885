// Classic edit masks (the first line: the mask; the rest: a value). Formatting keeps every
// literal at its position; the translated Qt mask makes a line edit show one character per
// position of the classic one, and the edit's text is read from that display.
#include "FuzzInput.h"
#include "base/Mask.h"

#include <QApplication>
#include <QLineEdit>

namespace {
QApplication* application = nullptr;
QLineEdit* edit = nullptr;

// One line edit for every input. Both go at exit before Qt's own globals do, so that Qt
// releases its fonts.
QLineEdit& lineEdit()
{
    if (!edit) {
        static int argc = 1;
        static char name[] = "fuzz_mask";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = new QApplication(argc, argv);
        edit = new QLineEdit;
        std::atexit([] {
            delete edit;
            delete application;
        });
    }
    return *edit;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = fuzzText(data, size);
    const qsizetype newline = input.indexOf(QLatin1Char('\n'));
    const QString classic = newline < 0 ? input : input.left(newline);
    const QString value = newline < 0 ? QString() : input.mid(newline + 1);
    const Mask::EditMask mask = Mask::parse(classic);

    const QString formatted = Mask::FormatMaskText(classic, value);
    if (mask.positions.isEmpty()) {
        fuzzRequire(formatted == value, "an empty pattern changed the value", classic);
        return 0;
    }
    fuzzRequire(formatted.size() >= mask.positions.size(), "formatted text too short", classic);
    for (qsizetype i = 0; i < mask.positions.size(); ++i)
        if (!mask.positions.at(i).isInput())
            fuzzRequire(formatted.at(i) == mask.positions.at(i).literal, "a literal moved",
                        classic + QStringLiteral(" / ") + value + QStringLiteral(" -> ") +
                            formatted);

    QLineEdit& edit = lineEdit();
    edit.setInputMask(Mask::toQtInputMask(classic));
    edit.setText(value);
    fuzzRequire(edit.displayText().size() == mask.positions.size(),
                "the Qt mask shows another number of positions",
                classic + QStringLiteral(" -> ") + Mask::toQtInputMask(classic) +
                    QStringLiteral(" shows ") + edit.displayText());
    Mask::textFromDisplay(classic, edit.displayText());
    edit.setInputMask(QString());
    return 0;
}
