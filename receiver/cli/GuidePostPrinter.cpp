#include "GuidePostPrinter.h"

#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/GuidePostArchive.h"
#include "guidepost/Keywords.h"
#include "guidepost/TCXML.h"
#include "platform/TerminalText.h"
#include "receiver/engine/SchemaProblem.h"

#include <ctime>
#include <map>
#include <ostream>

using namespace guidepost;

namespace cli {

namespace {

template <std::size_t N>
std::string keywordText(const std::string_view (&table)[N], int code)
{
    if (code < 0 || static_cast<std::size_t>(code) >= N)
        return "?";
    return std::string(table[code]);
}

std::string policyText(int update)
{
    if (update < UpdateDefault || update > UpdateIfNotExist)
        return "?";
    std::string text(updatePolicyName[update]);
    if (update != UpdateDefault)
        text += " (" + std::string(keyword::update[update]) + ")";
    return text;
}

std::string localTime(std::int64_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return std::to_string(seconds);
    char text[64];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &tm);
    return text;
}

std::string yesNo(bool value) { return value ? "はい" : "いいえ"; }

} // namespace

bool loadGuidePost(const std::string& path, CAMData& model, std::string& error)
{
    try {
        if (model.Load(path))
            return true;
        error = CAMException::messageFor(CAMException::InvalidGuidePost);
    } catch (const CAMException& e) {
        error = e.message();
        if (e.code() == CAMException::SchemaMissing)
            error += "\n" + receive::SchemaProblem::text(TCXML::GuidePost);
    }
    return false;
}

std::string GuidePostPrinter::shown(const std::string& text) const
{
    return forTerminal_ ? platform::TerminalText::safe(text) : text;
}

void GuidePostPrinter::line(int depth, const std::string& label, const std::string& value)
{
    out_ << std::string(depth * 2, ' ') << label;
    if (!value.empty())
        out_ << ": " << shown(value);
    out_ << '\n';
}

void GuidePostPrinter::multiline(int depth, const std::string& label, const std::string& value)
{
    out_ << std::string(depth * 2, ' ') << label << ":\n";
    const std::string indent(depth * 2 + 4, ' ');
    std::string current;
    auto flush = [&] { out_ << indent << shown(current) << '\n'; current.clear(); };
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r')
            continue;
        if (value[i] == '\n')
            flush();
        else
            current += value[i];
    }
    if (!current.empty())
        flush();
}

void GuidePostPrinter::print(const CAMData& m)
{
    line(0, "GuidePost", m.name.empty() ? "(名前なし)" : m.name);
    line(1, "場所", m.local ? "ローカル (local)" : "リモート (remote)");
    if (m.encrypt)
        line(1, "暗号化", "あり");
    if (!m.description.empty())
        multiline(1, "説明", m.description);
    if (!m.creator.empty())
        line(1, "作成者", m.creator);
    if (!m.comment.empty())
        multiline(1, "コメント", m.comment);
    if (m.datePresent)
        line(1, "日付", std::to_string(m.dateYear) + "年" + std::to_string(m.dateMonth) + "月" +
                            std::to_string(m.dateDay) + "日");
    if (!m.contentVersion.empty())
        line(1, "内容のバージョン", m.contentVersion);
    if (m.digestPresent)
        line(1, "認証", "https://" + m.digestUrl + m.digestName);
    for (std::size_t i = 0; i < m.browse.size(); ++i) {
        const auto& b = *m.browse[i];
        line(1, "ブラウズ " + std::to_string(i + 1), b.title.empty() ? b.target : b.title + " → " + b.target);
    }

    line(1, "タスク数", std::to_string(m.tasks.size()));
    for (std::size_t ti = 0; ti < m.tasks.size(); ++ti) {
        const auto& t = *m.tasks[ti];
        line(1, "タスク " + std::to_string(ti + 1), t.name);
        line(2, "更新方法", policyText(t.update));
        if (t.synchronize)
            line(2, "同期", yesNo(true));
        if (t.destinationType == DestinationZip)
            line(2, "保存先", "ZIPファイル " + t.zipFileName);
        else
            line(2, "保存先", "フォルダ");
        line(2, "フォルダ", CAMData::JoinFolder(t.folderList));
        for (std::size_t ci = 0; ci < t.folderList.size(); ++ci)
            line(3, "[" + std::to_string(ci + 1) + "]", t.folderList[ci]);
        if (t.open)
            line(2, "受信後に開く", yesNo(true));
        for (const auto& a : t.attachments)
            line(2, "添付ファイル", a->name + " (" + std::to_string(a->size) + " バイト)");

        for (std::size_t si = 0; si < t.sources.size(); ++si) {
            const auto& s = *t.sources[si];
            line(2, "ソース " + std::to_string(si + 1), s.name);
            line(3, "プロトコル", keywordText(keyword::protocol, s.protocol));
            if (s.protocol != ProtocolAttach) {
                line(3, "サーバー", s.serverName);
                line(3, "ポート", s.port > 0 ? std::to_string(s.port) : "既定");
                if (!s.account.empty())
                    line(3, "アカウント", s.account + (s.inputMail ? " (パスワードはメールアドレス)" : ""));
                for (const auto& site : s.mirrorSites)
                    line(3, "ミラーサイト", site.host + " (" + site.id + ", 重み " + std::to_string(site.weight) + ")");
            }
            for (std::size_t li = 0; li < s.fileLists.size(); ++li) {
                const auto& l = *s.fileLists[li];
                line(3, "ファイルリスト " + std::to_string(li + 1), l.name);
                if (l.remoteFolderGiven)
                    line(4, "リモートフォルダ", l.remoteFolder);
                if (!l.localFolder.empty())
                    line(4, "ローカルフォルダ", CAMData::JoinFolder(l.localFolder));
                line(4, "取得方法", keywordText(keyword::method, l.method));
                line(4, "転送モード", keywordText(keyword::mode, l.mode));
                if (l.update != UpdateDefault)
                    line(4, "更新方法", policyText(l.update));
                for (const auto& f : l.files) {
                    std::string text = f->name.empty() ? "(名前なし)" : f->name;
                    text += " ← " + f->remote;
                    line(4, "ファイル", text);
                    if (f->timePresent)
                        line(5, "時刻", localTime(f->time));
                    if (f->update != UpdateDefault)
                        line(5, "更新方法", policyText(f->update));
                    if (f->uncompress != UncompressNone)
                        line(5, "解凍", keywordText(keyword::uncompress, f->uncompress));
                }
            }
        }
    }
}

void GuidePostPrinter::printArchive(const ArchiveIndex& index, const CAMData& m)
{
    // The document's attach entries give each file's original size; an entry
    // no attach names has none to show.
    std::map<std::string, std::int64_t> sizes;
    for (const auto& task : m.tasks)
        for (const auto& a : task->attachments)
            sizes[a->name] = a->size;

    line(0, "アーカイブ", std::to_string(index.records.size()) + " 個の添付ファイル");
    for (std::size_t i = 0; i < index.records.size(); ++i) {
        const auto& r = index.records[i];
        line(1, "添付 " + std::to_string(i + 1), r.name);
        line(2, "格納サイズ", std::to_string(r.storedLength) + " バイト");
        auto found = sizes.find(r.name);
        line(2, "元のサイズ", found == sizes.end() ? "不明" : std::to_string(found->second) + " バイト");
        line(2, "圧縮", yesNo(r.compressed));
        line(2, "暗号化", yesNo(r.enciphered));
    }
}

} // namespace cli
