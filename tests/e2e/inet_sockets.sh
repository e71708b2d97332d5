#!/usr/bin/env bash
# Prints how many TCP or UDP sockets (IPv4 or IPv6) process PID holds open.
# usage: inet_sockets.sh PID
set -u
pid=$1
inodes=$(find "/proc/$pid/fd" -lname 'socket:*' -printf '%l\n' 2>/dev/null | tr -dc '0-9\n')
count=0
for inode in $inodes; do
  if awk -v i="$inode" 'FNR > 1 && $10 == i {found=1} END {exit !found}' \
       /proc/net/tcp /proc/net/tcp6 /proc/net/udp /proc/net/udp6 2>/dev/null; then
    count=$((count + 1))
  fi
done
echo "$count"
