#pragma once
// How the timings take and compare their figures.
#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

inline double SecondsOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The middle figure of some rounds: one round slowed by another program on
// the shared machine moves it less than it moves the fastest or the mean.
inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}
