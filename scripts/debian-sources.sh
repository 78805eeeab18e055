# Sourced by the scripts that fetch Debian source packages with apt-get source.

# deb-src entries for the Debian archives this machine installs from, in both
# source formats apt knows, written into the folder of a private apt state.
# Fails when no Debian archive is among the machine's apt sources.
debian_source_entries() {
    local folder=$1
    local sources=(/etc/apt/sources.list.d/*.sources)
    if [ -e "${sources[0]}" ]; then
        awk 'BEGIN { RS = ""; FS = "\n" }
        {
            types = 0; debian = 0; disabled = 0; text = ""
            for (i = 1; i <= NF; i++) {
                line = $i
                if (line ~ /^Types:/) { types = line ~ /[ \t]deb([ \t]|$)/; line = "Types: deb-src" }
                else if (line ~ /^URIs:/ && line ~ /debian/) debian = 1
                else if (line ~ /^Enabled:[ \t]*[Nn]o/) disabled = 1
                text = text line "\n"
            }
            if (types && debian && !disabled) printf "%s\n", text
        }' "${sources[@]}" > "$folder/debian-src.sources"
    fi
    if [ -f /etc/apt/sources.list ]; then
        sed -n -E 's/^deb[[:space:]]+(.*debian.*)$/deb-src \1/p' /etc/apt/sources.list > "$folder/debian-src.list"
    fi
    grep -q -E '^(Types: deb-src|deb-src )' "$folder"/debian-src.* 2>/dev/null
}
