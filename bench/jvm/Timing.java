import java.lang.management.ManagementFactory;
import java.lang.management.ThreadMXBean;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/**
 * A small benchmark harness: each candidate runs in batches of calls sized to a target time; the
 * candidates are warmed up, taking turns, until their batch times stop falling (or the warm-up
 * time is spent); then they take turns in rounds, with System.gc() before each round and never
 * inside one. A batch's time over its calls is one sample; the median and the
 * extremes of the rounds are reported, for wall-clock time and for the CPU time of this thread.
 */
final class Timing {
    /** Runs `calls` calls and returns a value folded from all their results. */
    interface Batch {
        long run(int calls);
    }

    /** One thing timed, and its samples in seconds per call. */
    static final class Candidate {
        final String name;
        final Batch batch;
        int calls = 1;
        boolean settled;
        final List<Double> wall = new ArrayList<>();
        final List<Double> cpu = new ArrayList<>();

        Candidate(String name, Batch batch) {
            this.name = name;
            this.batch = batch;
        }

        double median() {
            return Timing.median(wall);
        }

        double min() {
            return wall.stream().mapToDouble(Double::doubleValue).min().orElse(Double.NaN);
        }

        double max() {
            return wall.stream().mapToDouble(Double::doubleValue).max().orElse(Double.NaN);
        }

        double cpuMedian() {
            return Timing.median(cpu);
        }
    }

    /** How long batches, warm-up and rounds are. */
    static final class Plan {
        final double batchSeconds;
        final double warmupSeconds;
        final int rounds;

        Plan(double batchSeconds, double warmupSeconds, int rounds) {
            this.batchSeconds = batchSeconds;
            this.warmupSeconds = warmupSeconds;
            this.rounds = rounds;
        }
    }

    private static final ThreadMXBean THREADS = ManagementFactory.getThreadMXBean();
    /** Results end here, so the compiler cannot drop the work that made them. */
    static volatile long blackhole;
    /** The last array each batch made, so that no allocation can be left out. */
    static byte[] kept;

    private Timing() {}

    static void measure(List<Candidate> candidates, Plan plan) {
        for (Candidate c : candidates) calibrate(c, plan.batchSeconds);

        // Warm-up: candidates take turns, one batch each, until no candidate's best of its last
        // three batches is more than 5% faster than its best of the three before (compilation
        // done; slower batches are the machine's other work), or the warm-up time is spent.
        final long warmupEnd = System.nanoTime() + (long) (plan.warmupSeconds * 1e9);
        final List<List<Double>> batches = new ArrayList<>();
        for (int i = 0; i < candidates.size(); ++i) batches.add(new ArrayList<>());
        while (true) {
            boolean settled = true;
            for (int i = 0; i < candidates.size(); ++i) {
                final Candidate c = candidates.get(i);
                final List<Double> times = batches.get(i);
                final double perCall = time(c)[0];
                times.add(perCall);
                // Batches follow the code's speed: batches sized while it was interpreted would be
                // too short for the loop to be compiled at all (an FFM downcall is linked on its
                // first call, in milliseconds).
                c.calls = (int) Math.max(1, Math.min(1L << 28, Math.round(plan.batchSeconds / Math.max(perCall, 1e-10))));
                final int n = times.size();
                c.settled = n >= 6 && best(times.subList(n - 3, n)) >= 0.95 * best(times.subList(n - 6, n - 3));
                settled &= c.settled;
            }
            if (settled || System.nanoTime() > warmupEnd) break;
        }

        for (int round = 0; round < plan.rounds; ++round) {
            System.gc();
            for (int k = 0; k < candidates.size(); ++k) {
                // A different candidate goes first in every round.
                final Candidate c = candidates.get((round + k) % candidates.size());
                final double[] t = time(c);
                c.wall.add(t[0]);
                c.cpu.add(t[1]);
            }
        }
    }

    /** Calls per batch so that one batch takes about `seconds`; at least one. */
    private static void calibrate(Candidate c, double seconds) {
        int calls = 1;
        while (true) {
            c.calls = calls;
            final double total = time(c)[0] * calls;
            if (total >= seconds / 4 || calls >= (1 << 28)) {
                c.calls = (int) Math.max(1, Math.min(1L << 28, Math.round(calls * seconds / total)));
                return;
            }
            final long next = total <= 0 ? 16L * calls : Math.max(2L * calls, (long) (calls * seconds / 4 / total));
            calls = (int) Math.min(1L << 28, next);
        }
    }

    /** One batch: wall-clock and thread CPU seconds per call. */
    private static double[] time(Candidate c) {
        final long cpu0 = THREADS.getCurrentThreadCpuTime();
        final long wall0 = System.nanoTime();
        final long result = c.batch.run(c.calls);
        final long wall1 = System.nanoTime();
        final long cpu1 = THREADS.getCurrentThreadCpuTime();
        blackhole += result;
        return new double[] {(wall1 - wall0) * 1e-9 / c.calls, (cpu1 - cpu0) * 1e-9 / c.calls};
    }

    private static double best(List<Double> times) {
        return times.stream().mapToDouble(Double::doubleValue).min().orElse(Double.NaN);
    }

    /** Keeps `bytes` reachable and folds a length and a byte of it into a result. */
    static long keep(byte[] bytes) {
        kept = bytes;
        return bytes.length + (bytes.length > 0 ? bytes[bytes.length >> 1] : 0);
    }

    static double median(List<Double> values) {
        final double[] sorted = values.stream().mapToDouble(Double::doubleValue).toArray();
        Arrays.sort(sorted);
        final int n = sorted.length;
        return n == 0 ? Double.NaN : n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
}
