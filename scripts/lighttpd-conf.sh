#!/usr/bin/env bash
# Writes a lighttpd configuration serving nvrweb.cgi at /cgi-bin/nvrweb.cgi/<route> for a device root.
# Usage: lighttpd-conf.sh DEVICE_ROOT PORT CGI_PROGRAM
set -euo pipefail
root=$1 port=$2 cgi=$3
mkdir -p "$root/cgi-bin" "$root/opt/app/www" "$root/var/log" "$root/tmp"
ln -sf "$cgi" "$root/cgi-bin/nvrweb.cgi"
cat <<CONF
server.modules = ("mod_alias", "mod_cgi", "mod_setenv")
server.bind = "127.0.0.1"
server.port = $port
server.document-root = "$root/opt/app/www"
server.errorlog = "$root/var/log/lighttpd-error.log"
server.upload-dirs = ("$root/tmp")
server.pid-file = "$root/var/run/lighttpd.pid"
alias.url = ("/cgi-bin/" => "$root/cgi-bin/")
cgi.assign = (".cgi" => "")
# The device's own tools (qvprofile, ...) are found beside the CGI program.
setenv.add-environment = ("NVR_ROOT" => "$root", "PATH" => "$(dirname "$cgi"):/usr/local/bin:/usr/bin:/bin")
CONF
