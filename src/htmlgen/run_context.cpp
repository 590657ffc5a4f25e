#include "htmlgen/run_context.h"

namespace veldrin {

bool RunContext::splitMode() const {
    return on(u"FILELIMIT") || on(u"DIVFOLDER");
}

bool RunContext::frameMode() const {
    return on(u"USEFRAME") && outputType() != u"0";
}

bool RunContext::absoluteLinks() const {
    return !on(u"PATHTYPE") || on(u"OUTFOLDER");
}

bool RunContext::write(OutputFile& file, const QString& line) {
    return guard.step([&] { file.writeLine(line); });
}

} // namespace veldrin
