# Screenshot checks shared by the Linux and the Wine end-to-end runs; sourced, not run. Places are in
# points inside a window's client area, as the windows' layout tables give them.
checks_dir=$(dirname "${BASH_SOURCE[0]}")

# Where each window draws text: the inner part of fields and buttons, the caption beside each check box,
# the first entry of the list.
main_texts=(Label4=87,19,246,22 Label2=144,64,137,17 txtChars=235,99,32,14 Label1=296,99,91,13
    txtNumOf=235,131,32,14 Label3=296,131,111,13 lstPass=17,226,200,15 cmdSave=18,315,62,15
    cmdSaveIt=125,315,62,15 cmdGen=233,315,62,15 cmdClose=341,315,62,15)
for i in 0 1 2 3 4; do main_texts+=("chkOpt($i)=34,$((96 + 24 * i)),170,17"); done
about_texts=(lblTitle=104,16,187,16 lblVersion=104,40,155,15 lblDescription=112,64,253,59
    lblDisclaimer=16,176,258,79 Command1=108,139,145,17 Command2=292,139,75,17 Command3=290,188,75,17
    Command4=290,235,75,17)
warn_texts=(Label1=64,24,212,16 Label2=16,64,281,41 Label3=16,120,281,57 cmdOk=244,174,52,17)
# The whole room of each caption of the main window: the label or check box, the inside of each button.
captions=(Label2=144,64,137,17 Label1=296,99,91,13 Label3=296,131,111,13 cmdSave=17,313,64,19
    cmdSaveIt=124,313,64,19 cmdGen=232,313,64,19 cmdClose=340,313,64,19)
# The second box's room ends where txtNumOf begins, which overlaps it.
box_widths=(193 218 201 225 233)
for i in 0 1 2 3 4; do captions+=("chkOpt($i)=14,$((96 + 24 * i)),${box_widths[i]},17"); done
# Each picture of the main window where no text lies on it: the banner at its two ends, beside the title
# text, with the padlock and the shield; the help and About pictures.
declare -A picture_place=([banner-left]=85x56+0+0 [banner-right]=85x56+335+0 [help]=48x48+256+160 [about]=48x48+336+160)

# in_pixels TEXT: every number of TEXT times $factor, rounded as Qt rounds.
in_pixels() { factor=$factor perl -pe 's/(\d+)/int($1 * $ENV{factor} + 0.5)/ge' <<<"$1"; }

# readable SHOT NAME=X,Y,W,H...: each text stands out from its background by 4.5:1 or more (at 100 %).
readable() {
    python3 "$checks_dir/contrast.py" "$@" >"$1.contrast"
    local status=$?
    sed 's/^/    /' "$1.contrast"
    return $status
}
# captions_whole SHOT: at $factor no caption of the main window reaches the edge of its room.
captions_whole() {
    local rooms=() caption
    for caption in "${captions[@]}"; do rooms+=("${caption%%=*}=$(in_pixels "${caption#*=}")"); done
    python3 "$checks_dir/contrast.py" --whole "$1" "${rooms[@]}" >"$1.whole" ||
        { grep -v 'whole$' "$1.whole"; return 1; }
}
# pictures_sharp SHOT: at $factor each picture matches its 2x art closely, and clearly better than its 1x
# art enlarged, which is what an unsharp window would show. At 125 % Qt's smooth scaling and ImageMagick's
# filter part by up to 0.02 and the two references lie close (2x art 0.013 off, 1x art 0.025 on the banner),
# so "closely" is below 0.03 and "clearly" a third less error; at 150 % and 200 % the margin is 3x or more.
pictures_sharp() {
    local shot=$1 part scale sharp blurred status=0
    for part in banner-left banner-right help about; do
        convert "$shot" -crop "$(in_pixels "${picture_place[$part]}")" +repage "$shot.$part.png"
        for scale in 1x 2x; do picture_art "$shot" $scale $part "$shot.$part-$scale.png"; done
        sharp=$(rmse "$shot.$part.png" "$shot.$part-2x.png") blurred=$(rmse "$shot.$part.png" "$shot.$part-1x.png")
        echo "    $part: error against 2x art $sharp, against 1x art enlarged $blurred"
        awk -v s="$sharp" -v b="$blurred" 'BEGIN { exit !(s < 0.03 && 1.5 * s < b) }' || status=1
    done
    return $status
}
picture_art() { # picture_art SHOT SCALE PART OUT: PART's place drawn from the SCALE art, in device pixels
    # Scaled by the exact factor: 2x art at 125 % is 62.5 % of its size, not a rounded 63 %.
    local r=$checks_dir/../../resources s='' up=$(awk -v f="$factor" 'BEGIN { print f * 100 }')%
    [[ $2 == 2x ]] && s=@2x up=$(awk -v f="$factor" 'BEGIN { print f * 50 }')%
    case $3 in
    banner*) convert \( "$r/banner$s.png" -resize $up \) \( "$r/title-left$s.png" -resize $up \) \
                -geometry "$(in_pixels +16+8)" -composite \( "$r/title-right$s.png" -resize $up \) \
                -geometry "$(in_pixels +353+8)" -composite -crop "$(in_pixels "${picture_place[$3]}")" "$4" ;;
    *) convert -size "$(in_pixels 48x48)" "xc:$(convert "$1" -format "%[pixel:p{$(in_pixels 250,155)}]" info:)" \
               \( "$r/$3$s.png" -resize $up \) -composite "$4" ;;
    esac
}
rmse() { compare -metric RMSE "$1" "$2" null: 2>&1 | sed 's/.*(\(.*\))/\1/'; }
