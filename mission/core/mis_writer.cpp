#include "mission/core/mis_writer.h"

namespace vok::mis {

void writeBriefing(std::string& out, std::string_view briefing) {
    if (briefing.empty()) return;
    line(out, "");
    line(out, "begin briefing");
    for (std::size_t start = 0; start < briefing.size(); start += 100) {
        out += "  brief \"";
        out += briefing.substr(start, 100);
        out += "\"\r\n";
    }
    line(out, "endbriefing");
}

void writeAreaTriggers(std::string& out, const References& refs) {
    std::int64_t colour = 0;
    for (std::size_t n = 1; n < refs.areaTriggers.size(); ++n) {
        if (!refs.areaTriggers[n]) continue;
        line(out, "");
        out += "begin areatrig ";
        appendInteger(out, static_cast<std::int64_t>(n));
        out += "\r\n  description \"Area Trigger ";
        appendInteger(out, static_cast<std::int64_t>(n));
        out += "\"\r\n  color ";
        appendInteger(out, ++colour % 16);
        out += "\r\n";
        line(out, "end areatrig");
    }
}

void writeGroups(std::string& out, const References& refs) {
    for (std::size_t n = 1; n < refs.groups.size(); ++n) {
        if (!refs.groups[n]) continue;
        line(out, "");
        out += "begin group ";
        appendInteger(out, static_cast<std::int64_t>(n));
        out += "\r\n  description \"Group ";
        appendInteger(out, static_cast<std::int64_t>(n));
        out += "\"\r\n";
        line(out, "end group");
    }
}

}  // namespace vok::mis
