#include "cli/batch.h"

#include "office/engine.h"

#include <atomic>
#include <map>
#include <mutex>
#include <ostream>
#include <thread>

namespace brindlemoor::cli {

namespace {

struct Job {
    std::filesystem::path input;
    std::filesystem::path output;
    std::string refusal;  // set when the job must not run
};

// Two inputs that would write the same workbook: the later one is refused
// rather than silently overwriting the earlier one's result.
std::vector<Job> planJobs(const Options& options) {
    std::vector<Job> jobs;
    std::map<std::filesystem::path, std::filesystem::path> owners;
    for (const auto& input : options.inputs) {
        Job job{input, outputPathFor(input, options.outputFolder), {}};
        std::error_code ignored;
        const auto key = std::filesystem::weakly_canonical(job.output, ignored);
        if (auto [owner, added] = owners.emplace(key, input); !added)
            job.refusal = "not converted: its result " + job.output.string() + " is also the result of " +
                          owner->second.string();
        jobs.push_back(std::move(job));
    }
    return jobs;
}

class Reporter {
public:
    Reporter(std::ostream& out, std::ostream& err, bool quiet, bool progress, std::size_t total)
        : out_(out), err_(err), quiet_(quiet), progress_(progress && !quiet), total_(total) {}

    void finished(const Job& job, const office::Warnings& warnings, const std::string& failure) {
        std::lock_guard lock(mutex_);
        ++done_;
        clearProgress();
        if (!failure.empty()) {
            err_ << "error: " << job.input.string() << ": " << failure << '\n';
        } else {
            if (!quiet_) out_ << job.input.string() << " -> " << job.output.string() << '\n';
            for (const auto& warning : warnings) err_ << "warning: " << job.input.string() << ": " << warning << '\n';
        }
        out_.flush();
        if (progress_ && done_ < total_) {
            err_ << "\r[" << done_ << '/' << total_ << "] converting..." << std::flush;
            progressShown_ = true;
        }
    }

    void end() {
        std::lock_guard lock(mutex_);
        clearProgress();
    }

private:
    void clearProgress() {
        if (progressShown_) err_ << "\r\033[K" << std::flush;
        progressShown_ = false;
    }

    std::ostream& out_;
    std::ostream& err_;
    bool quiet_, progress_;
    std::size_t total_, done_ = 0;
    bool progressShown_ = false;
    std::mutex mutex_;
};

}  // namespace

int convertAll(const Options& options, std::ostream& out, std::ostream& err, bool showProgress) {
    const std::vector<Job> jobs = planJobs(options);
    Reporter reporter(out, err, options.quiet, showProgress, jobs.size());
    std::atomic<std::size_t> next = 0;
    std::atomic<int> failures = 0;

    auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            const Job& job = jobs[i];
            office::Warnings warnings;
            std::string failure = job.refusal;
            if (failure.empty()) {
                try {
                    warnings = office::convertToXls(job.input, job.output);
                } catch (const std::exception& error) {
                    failure = error.what();
                }
            }
            if (!failure.empty()) ++failures;
            reporter.finished(job, warnings, failure);
        }
    };

    const unsigned threads = std::max(1u, std::min<unsigned>(options.jobs, static_cast<unsigned>(jobs.size())));
    std::vector<std::jthread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    pool.clear();  // joins
    reporter.end();
    return failures;
}

}  // namespace brindlemoor::cli
