# Shared by the comparison scripts' page makers: a repeatable pseudo-random number and runs
# of garden words. The caller sets $main::seed first.
use strict;
use warnings;
our $seed;
sub rnd { my $n = shift; $seed = ($seed * 1103515245 + 12345) % 2147483648; return int($seed / 65536) % $n; }
my @words = qw(garden season plant water summer winter flower seed soil harvest light shade
    leaf root branch fruit the a and of to in with for every early late careful simple our
    your small large spring autumn border path stone wooden green bright morning evening rain
    wind compost hedge lawn pruning planting sowing growing tool basket orchard meadow);
sub words {
    my $n = shift; my @w;
    for (1 .. $n) { push @w, $words[rnd(scalar @words)] . (rnd(12) == 0 ? ',' : ''); }
    return join(' ', @w);
}
1;
