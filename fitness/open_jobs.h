#pragma once

// The jobs of the set in hand that a list scheduling has not dispatched yet, in order of release
// (the lower index first among equal releases; by index alone without release times). The
// dispatchers scan these rather than every job of the set, so that a decision late in a set costs
// what is left of it, and with release times a decision looks at the jobs released by then, a
// prefix of the list, rather than at every job left.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

// Jobs 0 to n - 1 in order of the release times `r`, the lower index first among equal releases. A
// release that is not a number comes after every other, since no time reaches it.
inline void sortByRelease(int n, const double* r, int* order) {
    for (int j = 0; j < n; ++j) order[j] = j;
    std::sort(order, order + n, [r](int a, int b) {
        if (std::isnan(r[a]) || std::isnan(r[b])) return !std::isnan(r[a]) || (std::isnan(r[b]) && a < b);
        return r[a] < r[b] || (r[a] == r[b] && a < b);
    });
}

class OpenJobs {
public:
    // Room for `capacity` jobs; made once per workspace, never per set.
    void reserve(int capacity) {
        if (static_cast<int>(jobs_.size()) < capacity) jobs_.resize(static_cast<std::size_t>(capacity));
    }

    // Jobs 0 to n - 1 open, in order of the release times `r` (null: by index): `order` where the
    // collection derived it (Collection::releaseOrder), else sorted here.
    void reset(int n, const double* r, const int* order) {
        size_ = n;
        r_ = r;
        unnumbered_ = r && std::any_of(r, r + n, [](double release) { return std::isnan(release); });
        if (!r) {
            for (int j = 0; j < n; ++j) jobs_[static_cast<std::size_t>(j)] = j;
        } else if (order) {
            std::copy(order, order + n, jobs_.begin());
        } else {
            sortByRelease(n, r, jobs_.data());
        }
    }

    // The job leaves; the others keep their order.
    void remove(int job) {
        int* const first = jobs_.data();
        int* const at = std::find(first, first + size_, job);
        std::copy(at + 1, first + size_, at);
        --size_;
    }

    const int* begin() const { return jobs_.data(); }
    const int* end() const { return jobs_.data() + size_; }
    int size() const { return size_; }

    // The open job of lowest index that does not `wait`; one exists.
    template <class Waits>
    int lowestEligible(Waits waits) const {
        if (!r_) return firstEligible(waits);
        int lowest = std::numeric_limits<int>::max();
        for (const int j : *this)
            if (j < lowest && !waits(j)) lowest = j;
        return lowest;
    }

    // The eligible open job released first, the lower index among equal releases: the job a scan
    // in index order keeps that replaces its lowest-index eligible job by any released strictly
    // earlier. Such a scan keeps a lowest-index job whose release is not a number.
    template <class Waits>
    int earliestReleased(Waits waits) const {
        if (unnumbered_) {
            const int lowest = lowestEligible(waits);
            if (std::isnan(r_[lowest])) return lowest;
        }
        return firstEligible(waits);
    }

    // Appends to out[count..] the eligible open jobs from position `from` on, in order of release,
    // while their release passes `released`; returns the position of the first job it did not take.
    template <class Released, class Waits>
    int listWhile(int from, Released released, Waits waits, int* out, int& count) const {
        const int* const jobs = begin();
        int at = from;
        for (; at < size_; ++at) {
            const int j = jobs[at];
            if (!released(r_[j])) break;  // the rest is released later
            if (!waits(j)) out[count++] = j;
        }
        return at;
    }

private:
    std::vector<int> jobs_;
    int size_ = 0;
    const double* r_ = nullptr;  // release times, when the order is theirs
    bool unnumbered_ = false;    // a release time is not a number

    template <class Waits>
    int firstEligible(Waits waits) const {
        const int* j = begin();
        while (waits(*j)) ++j;
        return *j;
    }
};

// Of `jobs`, the one of least `length` where it is shorter than `incumbent`'s, else the incumbent;
// among equal lengths the lower index. This is what a scan in index order keeps that starts from
// the incumbent and takes any job strictly shorter (a not-a-number is never shorter). Found in two
// passes without branches on the lengths: the least length, then the lowest job of that length.
template <class Length>
int shortestOf(const int* jobs, int count, int incumbent, Length length) {
    double least = std::numeric_limits<double>::infinity();
    for (int i = 0; i < count; ++i) {
        const double l = length(jobs[i]);
        least = l < least ? l : least;
    }
    if (!(least < length(incumbent))) return incumbent;
    int shortest = std::numeric_limits<int>::max();
    for (int i = 0; i < count; ++i) {
        const int j = jobs[i];
        shortest = length(j) == least && j < shortest ? j : shortest;
    }
    return shortest;
}
