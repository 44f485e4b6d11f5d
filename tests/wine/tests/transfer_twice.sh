# Two runs from the disc that both accept the copy: the one that accepts second,
# while the other copies (its mutex held, here by the driver, as that run holds it),
# is told in Russian that a copy is under way and ends; it makes and registers
# nothing, and no system error box shows.
reset_machine
disc="$VEL_WINE_RUN/disc"
machine_with_test_disc "$disc"
# With the logo videos: the run that ends plays none, and none is missing.
make_test_disc "$disc" logo_deve.avi logo_trelkon.avi
start_from_disc
drive <<'DRIVER'
hold-mutex Velvinor.Transfer
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 5000
click Да
wait-window VelvinorForm "Установка программы \"Вельвинор\"" 30000
expect-text "Файлы программы будут записываться в директорию:"
click Продолжить
wait-window #32770 Вельвинор 30000
expect-text "Программа Вельвинор сейчас копируется на жесткий диск. Дождитесь окончания копирования."
click OK
wait-exit 30000
DRIVER
wait_exit "$PROGRAM_PID" 30000 || fail "the second disc run did not end"
[ ! -e "$C/Program Files/Trelkon" ] || fail "the second run made $(find "$C/Program Files/Trelkon")"
expect_no_keys "$MAKER_KEY" "$APP_PATHS_KEY" "$UNINSTALL_KEY"
log "ok: told that a copy is under way; nothing made or registered"
