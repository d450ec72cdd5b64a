# Sourced by the bench scripts: throw-away profiles for Pellux and its peers.
#
#   pellux_profile DIR          exports XDG_* (and TMPDIR, a dead session bus) under DIR and
#                               writes the settings of a program that has run before
#   pellux_store FILE N [ALARMS] [LISTS]
#                               a store of N notes spread over the screen; with LISTS=1 every
#                               fifth one is a check list (the last one is always a text note);
#                               ALARMS notes have armed alarms (see idle_cpu.sh)
#   xpad_store DIR N            N pads for xpad in DIR (its XDG_CONFIG_HOME), same places and text
#   start_xvfb FILE GEOMETRY    starts an Xvfb on a display number it picks itself (the
#                               number written to FILE); sets XVFB_PID and XVFB_DISPLAY

pellux_profile() {
    local profile=$1
    export XDG_CONFIG_HOME="$profile/config"
    export XDG_DATA_HOME="$profile/data"
    export XDG_RUNTIME_DIR="$profile/runtime"
    export TMPDIR="$profile/tmp"
    # No desktop session: the program must not talk to the user's session bus.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$profile/no-bus"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/Brackwel Systems/Pellux" "$XDG_RUNTIME_DIR" "$TMPDIR" "$profile/work"
    chmod 700 "$XDG_RUNTIME_DIR"
    # Settings of a program that has run before: no first-run or update question.
    cat > "$XDG_CONFIG_HOME/PelluxNotes.conf" <<EOC
[Settings]
Version=3.2  (Build 155)
NextUpdateCheck=12/31/2099
High=3780
Wide=6405
EOC
}

pellux_store() {
    local store=$1 notes=$2 alarms=${3:-0} lists=${4:-1}
    [ "$alarms" -le "$notes" ] || { echo "$alarms alarms: more alarms than notes" >&2; return 2; }
    # The store's forms (en_US): "3:15:00 PM", "12/31/2026". Half the alarms repeat every
    # day twelve hours from now, half are once-alarms at this minute tomorrow, so every
    # sweep meets candidates and none fires while a minute is measured.
    local later this_minute tomorrow off_alarm repeat_alarm once_alarm style
    later=$(LC_ALL=C date -d '+12 hours' '+%-I:%M:00 %p')
    this_minute=$(LC_ALL=C date '+%-I:%M:00 %p')
    tomorrow=$(LC_ALL=C date -d tomorrow '+%-m/%-d/%Y')
    off_alarm='<pelluxalarm><enabled>False</enabled><sound/><type>0</type><time>12:00:00 AM</time><date>12:00:00 AM</date><dow>False,False,False,False,False,False,False</dow></pelluxalarm>'
    repeat_alarm="<pelluxalarm><enabled>True</enabled><sound>/usr/share/sounds/alarm.wav</sound><type>1</type><time>$later</time><date>12:00:00 AM</date><dow>True,True,True,True,True,True,True</dow></pelluxalarm>"
    once_alarm="<pelluxalarm><enabled>True</enabled><sound/><type>0</type><time>$this_minute</time><date>$tomorrow</date><dow>False,False,False,False,False,False,False</dow></pelluxalarm>"
    style='<font><name>DejaVu Sans</name><size>9</size><bold>False</bold><italic>False</italic><underline>False</underline><strikethru>False</strikethru></font><color><fore>#000000</fore><back>#FFFF00</back></color>'
    local armed=0 i left top alarm nid
    {
        printf '<!--Pellux NoteData 4-->\r\n<notedata version="4">'
        for i in $(seq 1 "$notes"); do
            left=$(( (i * 37) % 900 ))
            top=$(( (i * 23) % 600 ))
            # Every (N / alarms)-th note, from the first, until the alarms are placed.
            alarm="$off_alarm"
            if [ "$armed" -lt "$alarms" ] && [ $(( (i - 1) % (notes / alarms) )) -eq 0 ]; then
                if [ $(( armed % 2 )) -eq 0 ]; then alarm="$repeat_alarm"; else alarm="$once_alarm"; fi
                armed=$(( armed + 1 ))
            fi
            nid=$(printf 'BENCH:01012026:1000%02d:%02d' $(( i / 100 )) $(( i % 100 )))
            if [ "$lists" -eq 1 ] && [ $(( i % 5 )) -eq 1 ] && [ "$i" -ne "$notes" ]; then
                printf '<note type="CheckList"><title>List %d</title><nid>%s</nid><top>%d</top><left>%d</left><width>220</width><height>180</height><visible>True</visible><rollup>False</rollup><ontop>False</ontop>%s<data><item checked="True">first %d</item><item checked="False">second</item><item checked="False">third</item></data>%s</note>' \
                    "$i" "$nid" "$top" "$left" "$alarm" "$i" "$style"
            else
                printf '<note type="TextNote"><title>Note %d</title><nid>%s</nid><top>%d</top><left>%d</left><width>220</width><height>160</height><visible>True</visible><rollup>False</rollup><ontop>False</ontop>%s<data>Note number %d&#xA;a second line&#xA;and a third.</data><dynamictitle>False</dynamictitle>%s</note>' \
                    "$i" "$nid" "$top" "$left" "$alarm" "$i" "$style"
            fi
        done
        printf '</notedata>\r\n'
    } > "$store"
}

xpad_store() {
    local dir=$1/xpad notes=$2 i id
    mkdir -p "$dir"
    # Shown at once, without waiting for a tray host.
    printf 'autostart_wait_systray 0\nautostart_new_pad 0\nconfirm_destroy 0\nfontname DejaVu Sans 9\n' > "$dir/default-style"
    for i in $(seq 1 "$notes"); do
        id=$(printf 'BENCH%04d' "$i")
        printf 'width 220\nheight 160\nx %d\ny %d\nfollow_font 1\nfollow_color 1\nsticky 0\nhidden 0\ncontent content-%s\n' \
            $(( (i * 37) % 900 )) $(( (i * 23) % 600 )) "$id" > "$dir/info-$id"
        printf 'Note number %d\na second line\nand a third.' "$i" > "$dir/content-$id"
    done
}

start_xvfb() {
    local file=$1 geometry=$2
    rm -f "$file"
    # The server picks a free display number itself: no race with other servers starting.
    Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp 3>"$file" >/dev/null 2>&1 &
    XVFB_PID=$!
    local _
    for _ in $(seq 1 300); do
        [ -s "$file" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || { echo "Xvfb did not start" >&2; return 1; }
        sleep 0.1
    done
    [ -s "$file" ] || { echo "Xvfb did not start in 30 s" >&2; return 1; }
    XVFB_DISPLAY=":$(tr -d '\n' < "$file")"
}
