#!/usr/bin/env python3
"""Builds a floor child for one page: a static program that does everything
kivo-document does on the wire for that page (reads the frame, writes the
same measurement requests one by one, waiting for each answer as the renderer
does, hands the same scene line to the pipe in the same pieces, then exits),
with no parsing, styling or layout in between. Timed beside kivo-document
through the same parent, it shows how much of a run is the renderer's own
work and how much the process and the exchange cost whatever the renderer
does.

    bench/renderer/floor-child.py --renderer build/bin/kivo-document --page PAGE.html \
        --out DIR [--filter build/renderer/document/generated/document/syscall_filter_program.h]

Writes DIR/floor-child and, with --filter, DIR/floor-child-sandboxed, which
first enters the renderer's system-call filter (what the sandbox adds to every
call). The page's requests and scene come from one run of the renderer at
width 800, answered as compare-outputs.py answers them.
"""
import argparse
import importlib.util
import os
import subprocess
import sys

# The child mirrors the renderer's side of the wire: the pipe grown after the
# first line, a short spin of reads that return at once before a blocking
# one, and the scene in pieces (16 KiB, then 128 KiB) handed over by reference
# from memory backed by a huge page, as the renderer's heap is.
SOURCE = r"""
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#if SANDBOXED
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include FILTER_HEADER
#endif

asm(".section .rodata\n.balign 64\n"
    "requests_begin:\n.incbin \"" REQUESTS "\"\nrequests_end:\n"
    "scene_begin:\n.incbin \"" SCENE "\"\nscene_end:\n.previous\n");
extern "C" const char requests_begin[], requests_end[], scene_begin[], scene_end[];

namespace {
char g_input[1 << 20];

long long now_ns() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

bool read_exact(char* to, size_t n) {
  while (n > 0) {
    const ssize_t k = read(0, to, n);
    if (k <= 0) return false;
    to += k;
    n -= static_cast<size_t>(k);
  }
  return true;
}

void read_answer() {
  char answer[64];
  const long long start = now_ns();
  while (now_ns() - start < 250000) {
    iovec v{answer, sizeof answer};
    const ssize_t k = preadv2(0, &v, 1, -1, RWF_NOWAIT);
    if (k > 0) return;
    if (k == 0) _exit(3);
  }
  if (read(0, answer, sizeof answer) <= 0) _exit(3);
}
}  // namespace

int main() {
#if SANDBOXED
  prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
  sock_fprog program{};
  program.len = sizeof kivo_document::sandbox::kSyscallFilter / sizeof(sock_filter);
  program.filter = const_cast<sock_filter*>(kivo_document::sandbox::kSyscallFilter);
  if (syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC, &program) != 0) return 2;
#endif
  unsigned char length[4];
  if (!read_exact(reinterpret_cast<char*>(length), 4)) return 1;
  const size_t n = (size_t{length[0]} << 24) | (size_t{length[1]} << 16) | (size_t{length[2]} << 8) | length[3];
  if (n > sizeof g_input || !read_exact(g_input, n)) return 1;

  bool grown = false;
  for (const char* line = requests_begin; line < requests_end;) {
    const char* end = static_cast<const char*>(memchr(line, '\n', static_cast<size_t>(requests_end - line))) + 1;
    if (write(1, line, static_cast<size_t>(end - line)) != end - line) return 1;
    if (!grown) (void)fcntl(1, F_SETPIPE_SZ, 1 << 20);
    grown = true;
    read_answer();
    line = end;
  }

  const size_t total = static_cast<size_t>(scene_end - scene_begin);
  const uintptr_t huge = uintptr_t{2} << 20;
  const size_t room = (total + 2 * huge) & ~(huge - 1);
  void* raw = mmap(nullptr, room + huge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return 1;
  char* heap = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(raw) + huge - 1) & ~(huge - 1));
  (void)madvise(heap, room, MADV_HUGEPAGE);
  memcpy(heap, scene_begin, total);
  for (size_t done = 0, piece = 16 << 10; done < total; piece = 128 << 10) {
    iovec v{heap + done, total - done < piece ? total - done : piece};
    ssize_t k = vmsplice(1, &v, 1, 0);
    if (k <= 0) k = write(1, v.iov_base, v.iov_len);
    if (k <= 0) return 1;
    done += static_cast<size_t>(k);
  }
  _exit(0);
}
"""


def record(renderer, page):
    """One scene run at width 800, answered as compare-outputs.py answers:
    the request lines and the scene line."""
    here = os.path.dirname(os.path.abspath(__file__))
    spec = importlib.util.spec_from_file_location("compare_outputs", os.path.join(here, "compare-outputs.py"))
    compare_outputs = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(compare_outputs)
    out, _, status = compare_outputs.run_scene(renderer, open(page, "rb").read(), "800")
    lines = out.splitlines(keepends=True)
    if status != 0 or not lines or not lines[-1].startswith(b'{"version"'):
        sys.exit(f"floor-child: {page} did not render")
    return b"".join(lines[:-1]), lines[-1]


def build(out, name, defines):
    source = os.path.join(out, name + ".cpp")
    with open(source, "w") as f:
        f.write(SOURCE)
    command = ["g++", "-std=c++20", "-O2", "-static", "-o", os.path.join(out, name), source] + defines
    subprocess.run(command, check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--renderer", required=True)
    parser.add_argument("--page", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--filter", help="the generated syscall_filter_program.h of the build")
    args = parser.parse_args()
    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    requests, scene = record(args.renderer, args.page)
    for name, data in (("requests.bin", requests), ("scene.bin", scene)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    files = [f'-DREQUESTS="{os.path.join(out, "requests.bin")}"', f'-DSCENE="{os.path.join(out, "scene.bin")}"']
    build(out, "floor-child", files + ["-DSANDBOXED=0"])
    if args.filter:
        header = os.path.abspath(args.filter)
        build(out, "floor-child-sandboxed", files + ["-DSANDBOXED=1", f'-DFILTER_HEADER="{header}"'])
    print(f"{len(requests.splitlines())} requests, a scene of {len(scene)} bytes: {out}")


if __name__ == "__main__":
    main()
