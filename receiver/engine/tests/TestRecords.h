#pragma once
// GuidePost records and log rows the engine tests build again and again.

#include "TestFolder.h"

#include "guidepost/CAMData.h"

#include <memory>
#include <string>

namespace receive::test {

// The source the transfer tests point at their own server on 127.0.0.1.
inline std::unique_ptr<SourceRecord> loopbackSource(int protocol, int port)
{
    auto source = std::make_unique<SourceRecord>();
    source->name = "server";
    source->protocol = protocol;
    source->serverName = "127.0.0.1";
    source->port = static_cast<std::uint16_t>(port);
    return source;
}

// Writes src/name below dir and attaches it to the task.
inline void attachFile(TaskRecord& task, const TestFolder& dir, const std::string& name, const std::string& text)
{
    writeFile(dir / ("src/" + name), text);
    auto a = std::make_unique<AttachRecord>();
    a->name = name;
    a->sourcePath = dir / ("src/" + name);
    task.attachments.push_back(std::move(a));
}

// A log row of a received file, as the log's table gives it.
inline std::string receivedRow(const std::string& colour, const std::string& name, const std::string& remote,
                               const std::string& mode, int size)
{
    const std::string& c = colour;
    return "<tr><td align=\"center\" bgcolor=\"" + c + "\"><font color=\"green\">S</font></td><td bgcolor=\"" + c
        + "\">ファイル</td><td bgcolor=\"" + c + "\">" + name + "</td><td bgcolor=\"" + c + "\">" + remote
        + "</td><td bgcolor=\"" + c + "\" align=\"center\">" + mode + "</td><td align=\"right\" bgcolor=\"" + c
        + "\">" + std::to_string(size) + " バイト</td></tr>\r\n";
}

} // namespace receive::test
