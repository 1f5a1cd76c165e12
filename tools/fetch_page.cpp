// SPDX-License-Identifier: GPL-3.0-or-later
// Prints what FetchPage returns for the URL given, for checks of an installed system (the fresh
// install fetches over https through the system's own trust store).
#include <cstdio>

#include "web/module1.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::fputs(Module1::FetchPage(argv[1], false).c_str(), stdout);
  return 0;
}
