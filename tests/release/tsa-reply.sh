#!/usr/bin/env bash
# The release test's time-stamping server, one connection at a time (socat runs it): reads one
# HTTP request carrying an RFC 3161 query on standard input and writes the reply that
# openssl's time-stamping authority of DIR (DIR/ts.cnf) gives, as an HTTP answer.
#   tsa-reply.sh DIR
dir=${1:?folder of the time-stamping authority}
len=0
while IFS= read -r line; do
  line=${line%$'\r'}
  [ -z "$line" ] && break
  case ${line,,} in content-length:*) len=${line#*:}; len=${len// /} ;; esac
done
q=$(mktemp "$dir/q.XXXXXX"); r=$q.tsr
head -c "$len" > "$q"
if openssl ts -reply -config "$dir/ts.cnf" -queryfile "$q" -out "$r" 2>/dev/null; then
  printf 'HTTP/1.0 200 OK\r\nContent-Type: application/timestamp-reply\r\nContent-Length: %s\r\n\r\n' "$(stat -c %s "$r")"
  cat "$r"
else
  printf 'HTTP/1.0 500 Error\r\nContent-Length: 0\r\n\r\n'
fi
rm -f "$q" "$r"
