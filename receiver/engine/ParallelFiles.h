#pragma once
// The files of a list over several connections of one source while the
// worker goes on: the worker prepares each file in document order (its
// questions asked there), hands those that need no question to the pool, and
// finishes every file in document order, so the events, error lines and
// counts are those of a one-at-a-time receive. The pool's transfers never ask
// anything: a file that would have to is fetched again on the worker.

#include "guidepost/CAMException.h"
#include "receiver/engine/ReceiveEngine.h"
#include "receiver/engine/ReceiveProgress.h"

#include "platform/InternetTypes.h"
#include "platform/TempFile.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace receive {

template <class Connection, class Request, class Result>
class FetchPool {
public:
    using Make = std::function<std::unique_ptr<Connection>(const platform::TransferCallbacks&)>;
    using Fetch = std::function<Result(Connection&, const Request&)>;

    FetchPool(int size, ReceiveProgress& progress, const Make& make, Fetch fetch)
        : folder_(platform::TempFile::folder()), progress_(progress), fetch_(std::move(fetch)), running_(size)
    {
        for (int i = 0; i < size; ++i) {
            platform::TransferCallbacks callbacks;
            callbacks.cancelled = [this] { return progress_.cancel.load(std::memory_order_relaxed); };
            callbacks.fileBegins = [this, i](long long bytes) { count(i, Running{bytes, 0, true}); };
            callbacks.blockReceived = [this, i](long long bytes) {
                std::lock_guard lock(bytesMutex_);
                running_[i].received = bytes;
                publish();
            };
            connections_.push_back(make(callbacks));
        }
        for (int i = 0; i < size; ++i)
            threads_.emplace_back([this, i] { serve(i); });
    }
    ~FetchPool()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            jobs_.clear();  // an error ended the list: what was not begun is not
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }
    std::future<Result> submit(Request request)
    {
        Job job{std::move(request), {}};
        std::future<Result> result = job.done.get_future();
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
        return result;
    }

private:
    struct Job {
        Request request;
        std::promise<Result> done;
    };
    // The file each connection is fetching: the progress shows the sum over
    // all of them, so its bytes grow with everything that arrives.
    struct Running {
        std::int64_t size = 0, received = 0;
        bool active = false;
    };
    void count(int slot, Running now)
    {
        std::lock_guard lock(bytesMutex_);
        running_[slot] = now;
        publish();
    }
    void publish()
    {
        std::int64_t size = 0, received = 0;
        bool sizeKnown = true;
        for (const Running& r : running_) {
            if (!r.active)
                continue;
            sizeKnown = sizeKnown && r.size > 0;
            size += r.size;
            received += r.received;
        }
        progress_.fileSize = sizeKnown ? size : 0;
        progress_.fileReceived = received;
    }

    void serve(int slot)
    {
        platform::TempFile::ThreadFolder folder(folder_);
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (jobs_.empty())
                    return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            Result result = fetch_(*connections_[slot], job.request);
            count(slot, {});
            job.done.set_value(std::move(result));
        }
    }

    std::string folder_;
    ReceiveProgress& progress_;
    Fetch fetch_;
    std::mutex bytesMutex_;
    std::vector<Running> running_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
};

// How one protocol walks a list in document order. Prepared holds a file as
// the worker prepared it, with `std::optional<std::future<Result>> fetched`
// set when it went ahead to the pool.
template <class Prepared, class Result>
struct OrderedFiles {
    std::function<Prepared(std::size_t index)> prepare;  // may ask; in order
    std::function<void(Prepared&)> sendAhead;           // submits it when it needs no question
    std::function<void(Prepared&)> finish;              // places it, or fetches it here first
    std::function<void(const Prepared&, const CAMException&)> fail;  // this file only
    std::function<bool(const Prepared&)> endsReceive;   // its failure ends the receive
    std::function<void(Result&)> discard;               // fetched ahead, never placed
};

// Up to window files are prepared ahead while each needs no question; one
// that may ask waits until everything before it is finished. Without ahead
// the files go one after another.
template <class Prepared, class Result>
void inDocumentOrder(ReceiveEngine& engine, std::size_t count, int window, bool ahead,
                     const OrderedFiles<Prepared, Result>& f)
{
    ReceiveProgress& progress = engine.progress();
    progress.fileTotal = static_cast<int>(count);
    progress.filesDone = 0;
    int filesDone = 0;
    std::deque<Prepared> waiting;
    std::size_t next = 0;
    while (next < count || !waiting.empty()) {
        while (ahead && next < count && static_cast<int>(waiting.size()) < window
               && (waiting.empty() || waiting.back().fetched)) {
            engine.checkCancel();
            Prepared p = f.prepare(next++);
            f.sendAhead(p);
            waiting.push_back(std::move(p));
        }
        if (waiting.empty()) {
            engine.checkCancel();
            waiting.push_back(f.prepare(next++));
        }
        Prepared p = std::move(waiting.front());
        waiting.pop_front();
        try {
            f.finish(p);
        } catch (const CAMException& e) {
            if (progress.cancel || (f.endsReceive && f.endsReceive(p))) {
                // Files fetched ahead are not placed: their data goes.
                for (Prepared& rest : waiting)
                    if (rest.fetched) {
                        Result r = rest.fetched->get();
                        f.discard(r);
                    }
                throw;
            }
            f.fail(p, e);
        }
        progress.filesDone = ++filesDone;
    }
}

} // namespace receive
