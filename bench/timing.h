#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <ctime>
#include <functional>
#include <vector>

// How long `work` took, in milliseconds.
inline double milliseconds(const std::function<void()> &work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The processor time the calling thread spent on `work`, in milliseconds. The embedded engine
// runs a statement on the thread that asks for it, so on a machine busy with other work this
// is close to what the statement takes on an idle one.
inline double threadCpuMilliseconds(const std::function<void()> &work) {
    timespec start{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    work();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return double(end.tv_sec - start.tv_sec) * 1e3 + double(end.tv_nsec - start.tv_nsec) / 1e6;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
