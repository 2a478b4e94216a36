// GuidePosts named by an http address and signed GuidePosts, received
// through the worker from a web server on 127.0.0.1.

#include "ScriptedHost.h"
#include "TestFolder.h"
#include "TestRecords.h"

#include "platform/tests/TlsTestServer.h"

#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTotals.h"
#include "receiver/engine/ReceiveWorker.h"

#include "receiver/certification/Certification.h"

#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/GuidePostArchive.h"
#include "guidepost/TCXML.h"
#include "platform/Md5.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sys/wait.h>

using namespace receive;
using namespace receive::test;

namespace {

std::string certificate(const std::string& code)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<CorvandelleCertificate xmlns=\"x-schema:corvandelle_certificate\">"
           "<code>"
        + code
        + "</code><version>1</version><comment>配布元</comment>"
          "<date><year>2024</year><month>5</month><day>6</day></date></CorvandelleCertificate>";
}

struct NetReceiveTest : ::testing::Test {
    TestFolder dir;
    testservers::HttpServer http;
    // Certificates come only from a verified HTTPS server.
    testservers::TestAuthority authority {"net"};
    testservers::HttpsServer https {authority};
    std::map<std::string, std::string> documents;  // served below /gp/ and /cert/
    std::string savedTmp;
    bool hadTmp = false;
    std::vector<std::string> opened;
    bool openSucceeds = true;

    void SetUp() override
    {
        TCXML::SetSchemaFolder(CV_BIN_DIR);
        // Every temporary copy lands here, so leftovers can be seen.
        fs::create_directories(dir / "tmp");
        if (const char* t = std::getenv("TMPDIR")) {
            hadTmp = true;
            savedTmp = t;
        }
        ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
        platform::Shell::setOpener([this](const std::string& target) {
            opened.push_back(target);
            return openSucceeds;
        });
        auto document = [this](const httplib::Request& req, httplib::Response& res) {
            auto found = documents.find(req.matches[2]);
            if (found == documents.end()) {
                res.status = 404;
                return;
            }
            res.set_content(found->second, "application/octet-stream");
        };
        http.server.Get(R"(/(gp|cert)/(.+))", document);
        https.server.Get(R"(/(gp|cert)/(.+))", document);
        https.start();
        http.server.Get(R"(/files/(.+))", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("served " + std::string(req.matches[1]), "application/octet-stream");
        });
        http.start();
    }
    void TearDown() override
    {
        platform::Shell::setOpener({});
        if (hadTmp)
            ::setenv("TMPDIR", savedTmp.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

    std::string base() const { return "http://127.0.0.1:" + std::to_string(http.port); }
    std::string site() const { return "127.0.0.1:" + std::to_string(https.port) + "/cert/"; }
    bool tmpEmpty() const { return fs::is_empty(dir / "tmp"); }

    // One task receiving a.txt from this server into 受信.
    void buildModel(CAMData& model, bool signed_)
    {
        model.name = "署名";
        model.creator = "作者";
        auto task = std::make_unique<TaskRecord>();
        task->name = "T";
        task->folderText = "受信";
        task->folderList = {"受信"};
        auto source = loopbackSource(guidepost::ProtocolHttp, http.port);
        auto list = std::make_unique<FileListRecord>();
        list->name = "list";
        list->remoteFolder = "/files";
        list->remoteFolderGiven = true;
        auto f = std::make_unique<FileRecord>();
        f->remote = "a.txt";
        list->files.push_back(std::move(f));
        source->fileLists.push_back(std::move(list));
        task->sources.push_back(std::move(source));
        model.tasks.push_back(std::move(task));
        if (signed_) {
            model.digestPresent = true;
            model.digestUrl = site();
            model.digestName = "c.xml";
        }
    }
    // Publishes the GuidePost as /gp/name; returns its digest.
    std::string publish(const CAMData& model, const std::string& name)
    {
        model.Save(dir / name);
        documents[name] = readFile(dir / name);
        return platform::Md5::ofText(documents[name]);
    }

    WorkerOutcome receive(ScriptedHost& host, const std::string& address, const std::string& root)
    {
        ReceiveEventQueue queue;
        ReceiveTotals totals;
        ReceiveProgress progress;
        ReceiveOptions options;
        options.transfer.caFile = authority.caFile;
        ReceiveWorker worker(host, queue, totals, progress, options);
        WorkerOutcome outcome = worker.run(address, root);
        ReceiveFinisher finisher(totals);
        finisher.drain(queue);
        return outcome;
    }
    static int posted(const ScriptedHost& host, ReceiveNotice message)
    {
        return static_cast<int>(std::count_if(host.posted.begin(), host.posted.end(),
                                              [&](const auto& p) { return p.first == message; }));
    }
};

TEST_F(NetReceiveTest, AMatchingCertificateReceivesIntoTheCertifiedFolder)
{
    CAMData model;
    buildModel(model, true);
    documents["c.xml"] = certificate(publish(model, "signed.gp"));

    ScriptedHost host;
    host.script(QuestionKind::TryCertification, {CertifyNow});
    host.script(QuestionKind::Certified, {CertifiedOpenPage, CertifiedContinue});
    WorkerOutcome outcome = receive(host, base() + "/gp/signed.gp", dir / "root");
    ASSERT_EQ(outcome.status, WorkerOutcome::Received) << outcome.message;

    const std::string certified = dir / ("root/certified/127.0.0.1:" + std::to_string(https.port) + "=cert=");
    EXPECT_EQ(readFile(certified + "/受信/a.txt"), "served a.txt");
    EXPECT_FALSE(fs::exists(dir / "root/受信"));
    EXPECT_TRUE(fs::is_directory(certified + "/_html___"));
    EXPECT_EQ(host.count(QuestionKind::TryCertification), 1);
    EXPECT_EQ(host.count(QuestionKind::Certified), 2) << "opening the page leaves the question standing";
    EXPECT_EQ(host.count(QuestionKind::NotCertified), 0);
    EXPECT_EQ(host.opened, std::vector<std::string>{"https://" + site()});
    for (const auto& q : host.asked)
        if (q.kind == QuestionKind::Certified) {
            EXPECT_EQ(q.caption, "認証完了");
            EXPECT_EQ(q.fields.at(0).second, certified);
        }
    // The GuidePost and the certificate each went through the fetch messages.
    EXPECT_EQ(posted(host, ReceiveNotice::FetchBegins), 2);
    EXPECT_EQ(posted(host, ReceiveNotice::FetchEnded), 2);
    EXPECT_TRUE(tmpEmpty());
}

TEST_F(NetReceiveTest, AForeignCertificateIsOfferedAsAFailure)
{
    CAMData model;
    buildModel(model, true);
    publish(model, "signed.gp");
    documents["c.xml"] = certificate(std::string(32, '0'));

    // Going on receives uncertified; the site is opened by the host.
    ScriptedHost host;
    host.script(QuestionKind::TryCertification, {CertifyNow});
    host.script(QuestionKind::NotCertified, {NotCertifiedOpenSite, NotCertifiedContinue});
    WorkerOutcome outcome = receive(host, base() + "/gp/signed.gp", dir / "root");
    ASSERT_EQ(outcome.status, WorkerOutcome::Received) << outcome.message;
    EXPECT_EQ(readFile(dir / "root/受信/a.txt"), "served a.txt");
    EXPECT_FALSE(fs::exists(dir / "root/certified"));
    ASSERT_EQ(host.count(QuestionKind::NotCertified), 2);
    auto failed = std::find_if(host.asked.begin(), host.asked.end(),
                               [](const Question& q) { return q.kind == QuestionKind::NotCertified; });
    EXPECT_EQ(failed->caption, "認証失敗");
    EXPECT_EQ(failed->text, Certification::explanation(CertificationResult{}));
    EXPECT_EQ(host.opened, std::vector<std::string>{"https://" + site()});
    EXPECT_TRUE(opened.empty());

    // Stopping there ends the receive with the certification's error.
    ScriptedHost stopping;
    stopping.script(QuestionKind::TryCertification, {CertifyNow});
    stopping.script(QuestionKind::NotCertified, {NotCertifiedStop});
    WorkerOutcome stopped = receive(stopping, base() + "/gp/signed.gp", dir / "root2");
    EXPECT_EQ(stopped.status, WorkerOutcome::Failed);
    EXPECT_EQ(stopped.code, CAMException::CertificateError);
    EXPECT_EQ(stopping.count(QuestionKind::Welcome), 0);
    EXPECT_FALSE(fs::exists(dir / "root2/受信"));

    // A missing certificate is a failure of its own kind, and the offer's
    // "受信をやめる" stops before anything is fetched.
    documents.erase("c.xml");
    ScriptedHost missing;
    missing.script(QuestionKind::TryCertification, {CertifyNow});
    missing.script(QuestionKind::NotCertified, {NotCertifiedStop});
    EXPECT_EQ(receive(missing, base() + "/gp/signed.gp", dir / "root3").code, CAMException::CertificateError);
    CertificationResult notFetched;
    notFetched.status = CertificationResult::NotFetched;
    EXPECT_EQ(missing.asked.back().text, Certification::explanation(notFetched));

    ScriptedHost refusing;
    refusing.script(QuestionKind::TryCertification, {CertifyStop});
    EXPECT_EQ(receive(refusing, base() + "/gp/signed.gp", dir / "root4").code, CAMException::UserCancelled);
    EXPECT_EQ(posted(refusing, ReceiveNotice::FetchBegins), 1) << "only the GuidePost was fetched";
    EXPECT_TRUE(tmpEmpty());
}

TEST_F(NetReceiveTest, BrokenDigestsAndUnusableCertifiedFoldersEndTheReceive)
{
    // A digest naming only its site is a broken GuidePost: nothing is asked.
    CAMData model;
    buildModel(model, true);
    model.digestName.clear();
    publish(model, "half.gp");
    ScriptedHost half;
    EXPECT_EQ(receive(half, base() + "/gp/half.gp", dir / "root").code, CAMException::CertificateError);
    EXPECT_TRUE(half.asked.empty());

    // A digest of another kind certifies nothing.
    CAMData other;
    buildModel(other, true);
    other.digestType = "album";
    ScriptedHost otherHost;
    ASSERT_NO_THROW(other.Save(dir / "other.gp"));
    WorkerOutcome outcome = receive(otherHost, dir / "other.gp", dir / "root");
    EXPECT_EQ(otherHost.count(QuestionKind::TryCertification), 0);
    EXPECT_EQ(outcome.status, WorkerOutcome::Received) << outcome.message;

    // A file where the certified folder belongs: 28, before the welcome.
    CAMData signedModel;
    buildModel(signedModel, true);
    documents["c.xml"] = certificate(publish(signedModel, "signed.gp"));
    writeFile(dir / "blocked/certified", "a file");
    ScriptedHost blocked;
    blocked.script(QuestionKind::TryCertification, {CertifyNow});
    outcome = receive(blocked, base() + "/gp/signed.gp", dir / "blocked");
    EXPECT_EQ(outcome.code, CAMException::CreateFolderFailed) << outcome.message;
    EXPECT_EQ(blocked.count(QuestionKind::Welcome), 0);
    EXPECT_TRUE(tmpEmpty());
}

TEST_F(NetReceiveTest, GuidePostsAndArchivesFetchedByAddressLeaveNoCopies)
{
    CAMData plain;
    buildModel(plain, false);
    publish(plain, "plain.gp");
    ScriptedHost host;
    WorkerOutcome outcome = receive(host, base() + "/gp/plain.gp", dir / "root");
    ASSERT_EQ(outcome.status, WorkerOutcome::Received) << outcome.message;
    EXPECT_EQ(readFile(dir / "root/受信/a.txt"), "served a.txt");
    EXPECT_EQ(host.count(QuestionKind::TryCertification), 0);
    EXPECT_TRUE(tmpEmpty());

    // An archive: its attachment comes from the fetched copy.
    CAMData archived;
    archived.name = "配布";
    archived.local = true;
    auto task = std::make_unique<TaskRecord>();
    task->name = "添付";
    task->folderText = "添付";
    task->folderList = {"添付"};
    attachFile(*task, dir, "b.txt", "attached");
    auto source = std::make_unique<SourceRecord>();
    source->name = "添付";
    source->protocol = guidepost::ProtocolAttach;
    auto list = std::make_unique<FileListRecord>();
    list->name = "list";
    auto f = std::make_unique<FileRecord>();
    f->name = "b.txt";
    f->remote = "b.txt";
    list->files.push_back(std::move(f));
    source->fileLists.push_back(std::move(list));
    task->sources.push_back(std::move(source));
    archived.tasks.push_back(std::move(task));
    ASSERT_TRUE(GuidePostArchive::Write(dir / "a.gpa", archived, false, nullptr, 0));
    documents["a.gpa"] = readFile(dir / "a.gpa");
    ScriptedHost archiveHost;
    outcome = receive(archiveHost, base() + "/gp/a.gpa", dir / "root");
    ASSERT_EQ(outcome.status, WorkerOutcome::Received) << outcome.message;
    EXPECT_EQ(readFile(dir / "root/添付/b.txt"), "attached");
    EXPECT_TRUE(tmpEmpty());

    // A missing address fails with the server's answer and leaves nothing.
    ScriptedHost missingHost;
    outcome = receive(missingHost, base() + "/gp/none.gp", dir / "root5");
    EXPECT_EQ(outcome.status, WorkerOutcome::Failed);
    EXPECT_NE(outcome.code, 0);
    EXPECT_NE(outcome.message.find("HTTP 404"), std::string::npos) << outcome.message;
    // Headed by the server's answer: it was reached.
    EXPECT_EQ(outcome.message.rfind("ファイル " + base() + "/gp/none.gp は存在しません。", 0), 0u) << outcome.message;
    EXPECT_EQ(missingHost.count(QuestionKind::Welcome), 0);
    EXPECT_FALSE(fs::exists(dir / "root5"));
    EXPECT_TRUE(tmpEmpty());
}

TEST_F(NetReceiveTest, TheTerminalReceiverTakesAnAddress)
{
    if (!fs::exists(std::string(CV_BIN_DIR) + "/corvan-cli"))
        GTEST_SKIP() << "corvan-cli is not built";
    auto run = [&](const std::string& name, const std::string& more = {}) {
        std::string command = "cd '" + dir.path.string() + "' && HOME='" + (dir / "home") + "' XDG_CONFIG_HOME='"
            + (dir / "home/.config") + "' '" + CV_BIN_DIR + "/corvan-cli' receive " + base() + "/gp/" + name
            + " --root cli --yes " + more + " </dev/null >'" + (dir / "out.txt") + "' 2>&1";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    CAMData plain;
    buildModel(plain, false);
    publish(plain, "plain.gp");
    EXPECT_EQ(run("plain.gp"), 0) << readFile(dir / "out.txt");
    EXPECT_EQ(readFile(dir / "cli/受信/a.txt"), "served a.txt");

    // Unattended, a signed GuidePost is certified and received in its area.
    CAMData signedModel;
    buildModel(signedModel, true);
    documents["c.xml"] = certificate(publish(signedModel, "signed.gp"));
    EXPECT_EQ(run("signed.gp", "--gen-report=yes --logging=yes --ca-file='" + authority.caFile + "'"), 0)
        << readFile(dir / "out.txt");
    EXPECT_NE(readFile(dir / "out.txt").find("認証情報: https://" + site()), std::string::npos)
        << readFile(dir / "out.txt");
    const std::string area = dir / ("cli/certified/127.0.0.1:" + std::to_string(https.port) + "=cert=");
    EXPECT_EQ(readFile(area + "/受信/a.txt"), "served a.txt");
    // The certified folder is this receive's save root: its pages lie below it.
    EXPECT_TRUE(fs::exists(area + "/_html___/Report01.htm"));
    EXPECT_TRUE(fs::exists(area + "/_html___/Log01.htm"));
    EXPECT_FALSE(fs::exists(dir / "cli/_html___/Report01.htm"));
    EXPECT_NE(readFile(dir / "out.txt").find("レポート: " + area + "/_html___/Report01.htm"), std::string::npos)
        << readFile(dir / "out.txt");
    EXPECT_NE(run("none.gp"), 0);
    EXPECT_TRUE(tmpEmpty());
}

} // namespace
