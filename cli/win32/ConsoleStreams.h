#pragma once
// The console front end speaks UTF-8 inside. On a console it reads and
// writes UTF-16 (so every character shows, whatever the console's code
// page); redirected to a file or a pipe it reads and writes UTF-8 bytes.
#include <streambuf>
#include <string>
#include <vector>

// The program's arguments (without its own name), as UTF-8.
std::vector<std::string> Utf8Arguments();

class ConsoleOutBuffer : public std::streambuf {
 public:
  explicit ConsoleOutBuffer(void* handle);
  ~ConsoleOutBuffer() override;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  void Flush(bool all);
  void* handle_;
  bool console_;
  std::string pending_;
};

class ConsoleInBuffer : public std::streambuf {
 public:
  explicit ConsoleInBuffer(void* handle);

 protected:
  int_type underflow() override;

 private:
  void* handle_;
  bool console_;
  std::string buffer_;
};
