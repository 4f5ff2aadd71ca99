# Sourced by the benchmark scripts once `build` is set: a temporary folder `work` and
# hfp-devserver on a free loopback port at `services`, both gone when the script ends. A script
# that starts more adds its clean-up to `extra_cleanup`.
work="$(mktemp -d)"
"$build/bin/hfp-devserver" --port 0 >"$work/server.log" 2>&1 &
server=$!
extra_cleanup=""
trap 'kill $server 2>/dev/null; eval "$extra_cleanup"; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/server.log" ] && break; sleep 0.1; done
services="http://127.0.0.1:$(head -n1 "$work/server.log")"
