#!/usr/bin/env bash
# A first start from the build tree lists the plug-ins at once: when the folder holds no
# Setting.ini yet, it gets one whose "自动加载" is on, written as the program writes a switch
# (code page 936, CR LF). An existing file is the user's and stays as it is.
#   scripts/seed-settings.sh FOLDER
set -euo pipefail
folder=$1
settings=$folder/Setting.ini
[ -e "$settings" ] && exit 0
staging=$(mktemp "$folder/.Setting.ini.XXXXXX")
trap 'rm -f "$staging"' EXIT
printf '[软件设定]\r\n自动加载=真\r\n' | iconv -f UTF-8 -t GBK >"$staging"
# The mode the program's own files get (mktemp makes it private).
chmod "$(printf '%04o' $((8#666 & ~8#$(umask))))" "$staging"
# Never over a file that appeared meanwhile.
ln "$staging" "$settings" 2>/dev/null || true
