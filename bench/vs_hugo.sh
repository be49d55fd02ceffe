#!/usr/bin/env bash
# Times a full build of one multi-language site with larkspan against Hugo.
#
# The site is generated twice from the same data: 100 pages of about 8 KB in 99 languages
# (a project holds at most 100 groups, the basis group and 99 languages: 9,900 pages).
#   Hugo:     content/<lang>/pageNNN.html (front matter + HTML), one layout with the partials
#             header, menu and footer, and i18n/<lang>.toml with the language strings;
#   larkspan: tpl/pageNNN.tpl (the same page as a template), the basis group holding Header,
#             Menu and Footer as macros, one language group per language holding the strings.
# Both produce the same pages; one page is compared (after turning CR LF into LF). Each
# full build runs RUNS times, alternating, into fresh output (Hugo: a new public folder;
# larkspan: the language folders removed), and the best times and the ratio are printed.
#
# Environment:
#   LARKSPAN   the program to run (default: build/stage/larkspan, built when missing)
#   RUNS       timed runs of each side (default 3)
#   PAGES, LANGUAGES  site size (default 100 and 99, the project limits)
#   KEEP=1     keep the work folder (printed at the end)
#   SITE_ONLY=1  only generate the site, keep it and print its folder (for other benchmarks)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-3}
pages=${PAGES:-100}
languages=${LANGUAGES:-99}

source "$root/bench/common.sh"
if [ "${SITE_ONLY:-0}" = 1 ]; then # the site alone needs neither Hugo nor the program
    work=$(mktemp -d "${TMPDIR:-/tmp}/larkspan-vs_hugo-XXXXXX")
else
    start_comparison "$root" vs_hugo hugo hugo
fi

# ---- the site -----------------------------------------------------------------------------
perl -I"$root/bench" - "$work" "$pages" "$languages" <<'PERL'
use strict;
use warnings;
my ($dir, $pages, $nlang) = @ARGV;
require "words.pl";
our $seed = 4242;
# ISO 639-1 codes: Hugo's translations need real language tags.
my @codes = qw(aa ab af ak am an ar as av ay az ba be bg bi bm bn bo br bs ca ce ch co cr cs
    cu cv cy da de dv dz ee el en eo es et eu fa ff fi fj fo fr fy ga gd gl gn gu gv ha he hi
    ho hr ht hu hy hz ia id ie ig ii ik io is it iu ja jv ka kg ki kj kk kl km kn ko kr ks ku
    kv kw ky la lb lg li ln lo lt lu lv mg mh mi mk ml mn mr ms mt my na nb nd ne ng nl nn no
    nr nv ny oc oj om or os pa pi pl ps pt qu rm rn ro ru rw sa sc sd se sg si sk sl sm sn so
    sq sr ss st su sv sw ta te tg th ti tk tl tn to tr ts tt tw ty ug uk ur uz ve vi vo wa wo
    xh yi yo za zh zu);
die "at most " . scalar(@codes) . " languages\n" if $nlang > @codes;
my @langs = @codes[0 .. $nlang - 1];
my $nstrings = 20;

sub write_file {
    my ($path, $data) = @_;
    open(my $f, '>:raw', $path) or die "$path: $!"; print $f $data; close $f;
}
sub crlf { my $t = shift; $t =~ s/\n/\r\n/g; return $t; }
sub mkdirs { for (@_) { mkdir $_ or -d $_ or die "$_: $!"; } }

# The shared parts, written once per system: $s->(n) is the way to insert string n.
sub header { my $s = shift; return "<head>\n<meta charset=\"utf-8\">\n<title>" . $s->(0) . ' - ' . $s->(1)
    . "</title>\n<meta name=\"description\" content=\"" . $s->(2) . "\">\n"
    . "<link rel=\"stylesheet\" href=\"../site.css\">\n</head>"; }
sub menu { my $s = shift; my $m = "<nav class=\"menu\">\n<ul>";
    $m .= sprintf("\n<li><a href=\"page%03d.htm\">", $_) . $s->($_) . '</a></li>' for 3 .. 12;
    return $m . "\n</ul>\n</nav>"; }
sub footer { my $s = shift; return "<footer>\n<p>" . $s->(13) . ' | ' . $s->(14) . ' | ' . $s->(15)
    . "</p>\n<p>" . $s->(16) . "</p>\n<p class=\"small\">" . $s->(17) . ' ' . $s->(18) . ' '
    . $s->(19) . "</p>\n</footer>"; }
my $ours = sub { "{#S$_[0]}" };
my $hugo = sub { "{{ i18n \"S$_[0]\" }}" };

mkdirs("$dir/site", "$dir/site/tpl", "$dir/hugo", "$dir/hugo/content", "$dir/hugo/i18n",
       "$dir/hugo/layouts", "$dir/hugo/layouts/_default", "$dir/hugo/layouts/partials");

# Pages: the same body for both; larkspan wraps it in the page frame itself.
my $body_bytes = 0;
for my $p (0 .. $pages - 1) {
    my $name = sprintf('page%03d', $p);
    my $body = '<h1>' . words(4) . "</h1>\n";
    $body .= '<p>' . words(60) . ".</p>\n" while length($body) < 7000;
    $body_bytes += length($body);
    write_file("$dir/site/tpl/$name.tpl", crlf("<!DOCTYPE html>\n<html>\n{#Header}\n<body>\n{#Menu}\n"
        . "<main>\n$body</main>\n{#Footer}\n</body>\n</html>\n"));
    for my $l (@langs) {
        mkdirs("$dir/hugo/content/$l") if $p == 0;
        write_file("$dir/hugo/content/$l/$name.html", "---\ntitle: \"$name\"\n---\n$body");
    }
}

# Language strings.
my %strings;
for my $l (@langs) { $strings{$l} = [map { "[$l] " . words(2 + rnd(5)) } 1 .. $nstrings]; }

# larkspan: the project, the basis group and one group per language.
my $hpr = "[Groups]\nGroupNumber=" . ($nlang + 1) . "\nGroup0=site.mcr\n";
$hpr .= 'Group' . ($_ + 1) . "=$langs[$_].mcr\n" for 0 .. $#langs;
$hpr .= "[Sources]\nSourceNumber=$pages\n";
$hpr .= "Source$_=tpl\\" . sprintf('page%03d', $_) . ".tpl\n" for 0 .. $pages - 1;
write_file("$dir/site/site.hpr", crlf($hpr));
write_file("$dir/site/site.mcr", crlf("{:Header:0:}\n" . header($ours) . "\n{:Menu:0:}\n"
    . menu($ours) . "\n{:Footer:0:}\n" . footer($ours) . "\n"));
for my $l (@langs) {
    write_file("$dir/site/$l.mcr", crlf(join('', map { "{:S$_:0:}\n$strings{$l}[$_]\n" } 0 .. $nstrings - 1)));
}

# Hugo: configuration, layout, partials, translations.
my $cfg = "baseURL = \"http://example.org/\"\ntitle = \"bench\"\nuglyURLs = true\n"
    . "disableKinds = [\"home\", \"section\", \"taxonomy\", \"term\", \"RSS\", \"sitemap\", \"robotsTXT\", \"404\"]\n"
    . "defaultContentLanguage = \"$langs[0]\"\ndefaultContentLanguageInSubdir = true\n[languages]\n";
$cfg .= "[languages.$langs[$_]]\ncontentDir = \"content/$langs[$_]\"\nweight = " . ($_ + 1) . "\n" for 0 .. $#langs;
write_file("$dir/hugo/config.toml", $cfg);
write_file("$dir/hugo/layouts/_default/single.html", "<!DOCTYPE html>\n<html>\n{{ partial \"header.html\" . }}\n"
    . "<body>\n{{ partial \"menu.html\" . }}\n<main>\n{{ .Content }}</main>\n{{ partial \"footer.html\" . }}\n"
    . "</body>\n</html>\n");
write_file("$dir/hugo/layouts/partials/header.html", header($hugo));
write_file("$dir/hugo/layouts/partials/menu.html", menu($hugo));
write_file("$dir/hugo/layouts/partials/footer.html", footer($hugo));
for my $l (@langs) {
    write_file("$dir/hugo/i18n/$l.toml", join('', map { "[S$_]\nother = \"$strings{$l}[$_]\"\n" } 0 .. $nstrings - 1));
}
write_file("$dir/site/tpl/site.css", "body { margin: 0 }\n"); # the pages' style sheet: their links all lead somewhere
write_file("$dir/info", "$body_bytes $langs[int($nlang / 2)]\n");
PERL

if [ "${SITE_ONLY:-0}" = 1 ]; then echo "$work"; exit 0; fi
read -r body_bytes sample_lang <"$work/info"
template_bytes=$(cat "$work"/site/tpl/*.tpl | wc -c)
expected=$((pages * languages))

# The output of the run before is moved aside, outside the timing, not deleted: right
# after thousands of files are deleted, ext4 spends seconds looking past their freed inodes
# for every new file, which would time the file system rather than the two programs.
clear_ours() {
    local aside; aside=$(mktemp -d "$work/old-XXXXXX")
    find "$work/site/tpl" -mindepth 1 -maxdepth 1 -type d -exec mv {} "$aside/" \;
}
clear_hugo() {
    if [ -d "$work/public" ]; then mv "$work/public" "$(mktemp -d "$work/old-XXXXXX")/"; fi
}
run_ours() {
    /usr/bin/time -f '%U %S' -o "$work/cpu" "$larkspan" "$work/site/site.hpr" /build \
        >"$work/ours.log" 2>&1
}
run_hugo() {
    /usr/bin/time -f '%U %S' -o "$work/cpu" hugo --quiet --source "$work/hugo" \
        --destination "$work/public" --cacheDir "$work/hugo-cache" >"$work/hugo.log" 2>&1
}

# ---- a first build of each, checked ---------------------------------------------------------
run_ours || { tail -5 "$work/ours.log" >&2; echo "vs_hugo: our build failed" >&2; exit 1; }
clear_hugo
run_hugo || { tail -20 "$work/hugo.log" >&2; echo "vs_hugo: hugo failed" >&2; exit 1; }
ours_pages=$(find "$work/site/tpl" -mindepth 2 -name '*.htm' | wc -l)
hugo_pages=$(find "$work/public" -mindepth 2 -name '*.html' | wc -l) # not the root redirect
ours_bytes=$(find "$work/site/tpl" -mindepth 2 -name '*.htm' -exec cat {} + | tr -d '\r' | wc -c)
hugo_bytes=$(find "$work/public" -mindepth 2 -name '*.html' -exec cat {} + | wc -c)
sample=page042
[ "$pages" -gt 42 ] || sample=page000
ours_page=$work/site/tpl/$sample_lang/$sample.htm
hugo_page=$work/public/$sample_lang/$sample.html
if [ -f "$hugo_page" ] && cmp -s <(perl -pe 's/\r\n/\n/g' "$ours_page") "$hugo_page"; then
    same="yes"
else
    same="NO (diff $ours_page $hugo_page)"
fi

# ---- timing -------------------------------------------------------------------------------
now_ns() { date +%s%N; }
best_ours=; best_hugo=; cpu_ours=; cpu_hugo=
for ((i = 1; i <= runs; i++)); do
    clear_ours
    t0=$(now_ns); run_ours; t1=$(now_ns)
    t=$(((t1 - t0) / 1000))
    if [ -z "$best_ours" ] || [ "$t" -lt "$best_ours" ]; then best_ours=$t; cpu_ours=$(cat "$work/cpu"); fi
    clear_hugo
    t0=$(now_ns); run_hugo; t1=$(now_ns)
    t=$(((t1 - t0) / 1000))
    if [ -z "$best_hugo" ] || [ "$t" -lt "$best_hugo" ]; then best_hugo=$t; cpu_hugo=$(cat "$work/cpu"); fi
done

awk -v pages="$pages" -v langs="$languages" -v expct="$expected" -v op="$ours_pages" \
    -v hp="$hugo_pages" -v ob="$ours_bytes" -v hb="$hugo_bytes" -v tb="$template_bytes" \
    -v same="$same" -v sl="$sample_lang/$sample" -v runs="$runs" -v ours="$best_ours" \
    -v hugo="$best_hugo" -v co="$cpu_ours" -v ch="$cpu_hugo" -v prog="$larkspan" \
    -v hv="$(hugo version | awk '{print $2}')" 'BEGIN {
    split(co, c1, " "); split(ch, c2, " ")
    printf "larkspan vs Hugo %s (%s)\n", hv, prog
    printf "  site         %d pages x %d languages = %d pages expected\n", pages, langs, expct
    printf "  templates    %.1f MB in all\n", tb / 1e6
    printf "  written      larkspan %d pages, %.1f MB   hugo %d pages, %.1f MB\n",
           op, ob / 1e6, hp, hb / 1e6
    printf "  same page    %s: %s\n", sl, same
    printf "  best of %d   larkspan %.3f s (cpu %.2f s)   hugo %.3f s (cpu %.2f s)\n",
           runs, ours / 1e6, c1[1] + c1[2], hugo / 1e6, c2[1] + c2[2]
    printf "  ratio        ours / hugo = %.3f (aim: 0.1 or less)\n", ours / hugo
}'
if [ "${KEEP:-0}" = 1 ]; then echo "  work folder  $work"; fi
[ "$ours_pages" -eq "$expected" ] && [ "$hugo_pages" -eq "$expected" ] && [ "$same" = yes ]
