#!/usr/bin/env bash
# Times the command-line build of one large template against GNU m4 on the same workload.
#
# One workload is generated twice: as a project (one basis group, one template) and as m4
# input with the same text, the same macro bodies (define(), parameters $1..$3) and the
# same macro calls. The script checks that both produce the same bytes (after turning
# CR LF into LF), then runs each RUNS times, alternating, and prints the best times, the
# ratio (ours / m4), and the peak memory of our build against the template size.
#
# Environment:
#   LARKSPAN     the program to run (default: build/stage/larkspan, built when missing)
#   TEMPLATE_MB  template size in MB (default 24; the output is about 30 MB)
#   RUNS         timed runs of each side (default 5)
#   KEEP=1       keep the work folder (printed at the end)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
template_mb=${TEMPLATE_MB:-24}
runs=${RUNS:-5}

source "$root/bench/common.sh"
start_comparison "$root" vs_m4 m4 m4

# ---- the workload -------------------------------------------------------------------------
# Text is plain ASCII HTML; m4 runs with -P (builtins only as m4_...), comments switched
# off and [[ ]] as quotes, so nothing in the running text means anything to m4. Macro names
# (mW00.., mLink, mBox, mHead, mFoot) never occur as words in the text.
perl -I"$root/bench" - "$work" "$template_mb" <<'PERL'
use strict;
use warnings;
my ($dir, $mb) = @ARGV;
require "words.pl";
our $seed = 12345;

# Macros: [name, our text, m4 body]; texts use "\n" between lines.
my @macros;
for my $i (0 .. 39) {
    my $t = sprintf('<span class="term%02d">%s</span>', $i, words(3 + rnd(4)));
    push @macros, [sprintf('mW%02d', $i), $t, $t];
}
push @macros, ['mLink',
    '<a href="{#_MACRO_PARAM_0}" class="{#_MACRO_PARAM_2}">{#_MACRO_PARAM_1}</a>',
    '<a href="$1" class="$3">$2</a>'];
push @macros, ['mBox',
    "<div class=\"box\">\n<p>{#mW03}</p>\n<p>{#mLink,/box.htm,read more,box}</p>\n</div>",
    "<div class=\"box\">\n<p>mW03</p>\n<p>mLink(/box.htm,read more,box)</p>\n</div>"];
push @macros, ['mHead',
    "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>{#mW00}</title>\n</head>",
    "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>mW00</title>\n</head>"];
push @macros, ['mFoot',
    "<footer>\n<p>{#mW01} {#mW02}</p>\n</footer>\n</body>\n</html>",
    "<footer>\n<p>mW01 mW02</p>\n</footer>\n</body>\n</html>"];
# Nested calls inside each macro, for the count of expansions.
my %nested = (mBox => 2, mHead => 1, mFoot => 2);

my ($ours, $m4) = ('', '');
my ($calls, $expansions) = (0, 0);
sub call { # name, params...
    my ($name, @p) = @_;
    $ours .= '{#' . join(',', $name, @p) . '}';
    $m4 .= @p ? "$name(" . join(',', @p) . ')' : $name;
    ++$calls;
    $expansions += 1 + ($nested{$name} // 0);
}
sub text { my $t = shift; $ours .= $t; $m4 .= $t; }

call('mHead'); text("\n<body>\n");
my $unit = 0;
while (length($ours) < $mb * 1_000_000) {
    text("<div class=\"entry\">\n<h3>"); call(sprintf('mW%02d', rnd(40))); text("</h3>\n<p>");
    text(words(50)); text(' '); call(sprintf('mW%02d', rnd(40))); text(' ');
    text(words(20)); text(' ');
    my $n = $unit % 1000;
    call('mLink', "/docs/page$n.htm", "chapter $n", 'inline');
    text(' ' . words(20) . ".</p>\n");
    if ($unit % 4 == 0) { call('mBox'); text("\n"); }
    text("</div>\n");
    ++$unit;
}
call('mFoot'); text("\n");

sub write_file { my ($path, $data) = @_; open(my $f, '>:raw', $path) or die "$path: $!"; print $f $data; close $f; }
sub crlf { my $t = shift; $t =~ s/\n/\r\n/g; return $t; }

mkdir "$dir/tpl";
write_file("$dir/site.hpr", crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n[Sources]\nSourceNumber=1\nSource0=tpl\\page.tpl\n"));
write_file("$dir/site.mcr", crlf(join('', map { "{:$_->[0]:0:}\n$_->[1]\n" } @macros)));
write_file("$dir/tpl/page.tpl", crlf($ours));
my $defs = "m4_changecom()m4_changequote([[,]])m4_dnl\n";
$defs .= join('', map { "m4_define([[$_->[0]]],[[$_->[2]]])m4_dnl\n" } @macros);
write_file("$dir/page.m4", $defs . $m4);
write_file("$dir/counts", "$calls $expansions " . scalar(@macros) . "\n");
PERL

read -r calls expansions macro_count <"$work/counts"
template_bytes=$(stat -c %s "$work/tpl/page.tpl")
target=$work/tpl/page.htm

run_ours() { rm -f "$target"; "$larkspan" "$work/site.hpr" /build >"$work/ours.log" 2>&1; }
run_m4() { m4 -P "$work/page.m4" >"$work/m4.out"; }

# ---- same output? -------------------------------------------------------------------------
run_ours || { cat "$work/ours.log" >&2; echo "vs_m4: our build failed" >&2; exit 1; }
run_m4
perl -pe 's/\r\n/\n/g' "$target" >"$work/ours.lf"
output_bytes=$(stat -c %s "$work/ours.lf")
if cmp -s "$work/ours.lf" "$work/m4.out"; then
    same="yes (identical after CR LF -> LF)"
else
    same="NO: $(cmp "$work/ours.lf" "$work/m4.out" 2>&1 | head -1)"
fi
warnings=$(grep -c $'\t(' "$work/ours.log" || true)

# ---- timing -------------------------------------------------------------------------------
now_ns() { date +%s%N; }
best_ours=
best_m4=
for ((i = 1; i <= runs; i++)); do
    t0=$(now_ns); run_ours; t1=$(now_ns)
    t=$(((t1 - t0) / 1000)); [ -z "$best_ours" ] || [ "$t" -lt "$best_ours" ] && best_ours=$t
    t0=$(now_ns); run_m4; t1=$(now_ns)
    t=$(((t1 - t0) / 1000)); [ -z "$best_m4" ] || [ "$t" -lt "$best_m4" ] && best_m4=$t
done

# ---- peak memory --------------------------------------------------------------------------
rm -f "$target"
/usr/bin/time -v -o "$work/time-ours.txt" "$larkspan" "$work/site.hpr" /build >/dev/null 2>&1
/usr/bin/time -v -o "$work/time-m4.txt" m4 -P "$work/page.m4" >/dev/null
rss_ours=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time-ours.txt")
rss_m4=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time-m4.txt")

awk -v tb="$template_bytes" -v ob="$output_bytes" -v calls="$calls" -v expn="$expansions" \
    -v nm="$macro_count" -v same="$same" -v warn="$warnings" -v runs="$runs" \
    -v ours="$best_ours" -v m4="$best_m4" -v rss="$rss_ours" -v rssm4="$rss_m4" \
    -v prog="$larkspan" 'BEGIN {
    printf "larkspan vs GNU m4 (%s)\n", prog
    printf "  template     %.1f MB, %d macros, %d calls in the text, %d expansions in all\n",
           tb / 1e6, nm, calls, expn
    printf "  output       %.1f MB (LF line ends); same bytes: %s\n", ob / 1e6, same
    printf "  messages     %d in our build log\n", warn
    printf "  best of %d   larkspan %.3f s (%.0f MB/s of template)   m4 %.3f s (%.0f MB/s)\n",
           runs, ours / 1e6, tb / ours, m4 / 1e6, tb / m4
    printf "  ratio        ours / m4 = %.3f\n", ours / m4
    printf "  peak memory  larkspan %.1f MB = %.2f x the template (m4 %.1f MB)\n",
           rss / 1024, rss * 1024 / tb, rssm4 / 1024
}'
if [ "${KEEP:-0}" = 1 ]; then echo "  work folder  $work"; fi
case $same in yes*) exit 0 ;; *) exit 1 ;; esac
