-- Loaded by bench/whole-program.sh: writes one line to standard error when playback of a
-- newly loaded file starts (its first frame is on screen). The script reading standard error
-- takes the line's arrival time; mp.get_time() is printed for reference only.
local pending = false

mp.register_event("start-file", function()
    pending = true
end)

mp.register_event("playback-restart", function()
    if pending then
        pending = false
        io.stderr:write(string.format("mpv: first-frame mp_time=%.6f\n", mp.get_time()))
        io.stderr:flush()
    end
end)
