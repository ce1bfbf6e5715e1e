#!/usr/bin/env python3
"""Times the whole pelvaro-cli process on a 300 KB room page served from 127.0.0.1
against `curl -s` fetching the same page, the floor for the job. Prints the median
of each, their ratio, and the command's peak resident memory.

    bench/cli_vs_curl.py [path/to/pelvaro-cli ...] [runs]

Given several builds of the command, it runs them in turns with curl, so that a
busy machine slows all of them alike and the figures can be compared.
"""
import http.server
import json
import os
import resource
import statistics
import subprocess
import sys
import threading
import time


def room_page():
    names = ["蓝光20M", "蓝光8M", "蓝光4M", "超清", "流畅"]
    rates = [0, 8000, 4000, 2000, 500]
    lines = [{"sStreamName": "1199649734706-1199649734706-5814780652381274112", "sHlsUrl": host,
              "iLineIndex": index}
             for host, index in [("http://al.hls.example.test/src", 3),
                                 ("http://tx.hls.example.test/huyalive", 5),
                                 ("http://hs.hls.example.test/src", 14)]]
    stream = {"status": 200, "msg": "", "data": [{"gameLiveInfo": {"profileRoom": 30456807, "nick": "兔兔好棒"},
                                                   "gameStreamInfoList": lines}],
              "vMultiStreamInfo": [{"sDisplayName": n, "iBitRate": r} for n, r in zip(names, rates)]}
    filler = '<div class="gift-item" data-id="1234">礼物 gift item 欢迎来到直播间</div>\n' * 3600
    return ('<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>\n' + filler +
            '<script>\nvar hyPlayerConfig = {\n html5: 1,\n stream: ' + json.dumps(stream, ensure_ascii=False) +
            '\n};\n</script></body></html>\n').encode()


PAGE = room_page()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(PAGE)))
        self.end_headers()
        self.wfile.write(PAGE)

    def log_message(self, *args):
        pass


def peak_resident_kib(command):
    """Peak resident memory of one run of the command alone. A forked child's
    figure would count the pages it shared with this script before its exec, so
    GNU time measures it when it is there."""
    if os.path.exists("/usr/bin/time"):
        done = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True, check=True)
        return int(done.stderr.strip().splitlines()[-1])
    subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
    return resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss


def median_seconds_in_turns(commands, runs):
    times = [[] for _ in commands]
    for _ in range(runs):
        for command, taken in zip(commands, times):
            start = time.perf_counter()
            subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
            taken.append(time.perf_counter() - start)
    return [statistics.median(taken) for taken in times]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    arguments = sys.argv[1:]
    runs = int(arguments.pop()) if arguments and arguments[-1].isdigit() else 30
    clis = arguments or [os.path.join(here, "..", "build", "cli", "pelvaro-cli")]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/room" % server.server_address[1]
    try:
        for cli in clis:
            subprocess.run([cli, url], stdout=subprocess.DEVNULL, check=True)  # warm the caches
        times = median_seconds_in_turns([["curl", "-s", url]] + [[cli, url] for cli in clis], runs)
        peaks = [peak_resident_kib([cli, url]) for cli in clis]
    finally:
        server.shutdown()
    curl_time = times[0]
    print("page: %d bytes, 3 lines x 5 qualities, median of %d runs" % (len(PAGE), runs))
    print("  curl -s      %7.2f ms" % (curl_time * 1000))
    for cli, cli_time, peak in zip(clis, times[1:], peaks):
        print("  %s" % cli)
        print("    pelvaro-cli  %7.2f ms, ratio %.2f (target at most 1.2), peak resident %.1f MB"
              " (target at most 15 MB)" % (cli_time * 1000, cli_time / curl_time, peak / 1024))

if __name__ == "__main__":
    main()
