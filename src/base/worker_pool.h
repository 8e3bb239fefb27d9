#pragma once
// Jobs done on a few worker threads, their results taken back one by one, by the ticket that
// submit handed out. The caller decides the order it takes them in (the batch and the scan
// take them in submission order, so their output does not depend on which worker was quicker).
// Without threads, take() does the job itself on the calling thread.
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace vexilo {

template <class Job, class Result>
class WorkerPool {
public:
    using Work = std::function<Result(Job&)>;

    // threads <= 0 starts none. work runs on the workers, so it must only touch what the caller
    // leaves alone until the result is taken; what it throws is thrown again by take().
    WorkerPool(int threads, Work work) : m_work(std::move(work)) {
        for (int i = 0; i < threads; ++i) m_threads.emplace_back([this] { run(); });
    }
    ~WorkerPool() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_closed = true;
            m_pending.clear();
        }
        m_wake.notify_all();
        for (auto& t : m_threads) t.join();
    }
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    std::size_t threadCount() const { return m_threads.size(); }

    // Queues a job; tickets count up from 0 in submission order.
    std::size_t submit(Job job) {
        std::size_t ticket;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            ticket = m_nextTicket++;
            m_pending.emplace_back(ticket, std::move(job));
        }
        m_wake.notify_one();
        return ticket;
    }

    // The result of a ticket, waiting for it if a worker is still at it. A job no worker has
    // started yet is done here, so taking never waits on a queue longer than one job. Each
    // ticket is taken once.
    Result take(std::size_t ticket) {
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto queued = std::find_if(m_pending.begin(), m_pending.end(),
                                         [&](const auto& p) { return p.first == ticket; });
        if (queued != m_pending.end()) {
            Job job = std::move(queued->second);
            m_pending.erase(queued);
            lock.unlock();
            return m_work(job);
        }
        m_doneSignal.wait(lock, [&] { return m_done.count(ticket) != 0; });
        auto node = m_done.extract(ticket);
        if (node.mapped().failure) std::rethrow_exception(node.mapped().failure);
        return std::move(*node.mapped().result);
    }

    // True when a worker has finished the ticket's job, so take() answers at once.
    bool ready(std::size_t ticket) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_done.count(ticket) != 0;
    }

    // Drops every job no worker has started (a stopped run) and answers their tickets, which
    // may not be taken.
    std::vector<std::size_t> dropPending() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::size_t> dropped;
        for (const auto& p : m_pending) dropped.push_back(p.first);
        m_pending.clear();
        return dropped;
    }

private:
    struct Done {
        std::optional<Result> result;
        std::exception_ptr failure;
    };

    void run() {
        for (;;) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_closed || !m_pending.empty(); });
            if (m_pending.empty()) return;
            auto [ticket, job] = std::move(m_pending.front());
            m_pending.pop_front();
            lock.unlock();
            Done done;
            try {
                done.result.emplace(m_work(job));
            } catch (...) {
                done.failure = std::current_exception();
            }
            lock.lock();
            m_done.emplace(ticket, std::move(done));
            lock.unlock();
            m_doneSignal.notify_all();
        }
    }

    Work m_work;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_doneSignal;
    std::deque<std::pair<std::size_t, Job>> m_pending;
    std::map<std::size_t, Done> m_done;
    std::size_t m_nextTicket = 0;
    bool m_closed = false;
    std::vector<std::thread> m_threads;  // last: they start once everything above exists
};

}  // namespace vexilo
