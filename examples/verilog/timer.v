// A watchdog timer for the scan-readiness checks: its counter runs on a
// clock gated by 'run', and its status register is cleared by a reset that
// the counter itself generates on expiry. 'test_mode' makes the clock gate
// transparent and selects the reset pin instead; `tarvex check timer.v
// --test-mode test_mode=1` finds both registers scannable.
module timer(input clk, input rst_n, input run, input test_mode, input kick,
             input [7:0] limit, output reg [7:0] count, output reg expired);
  // The clock gate: transparent in test mode.
  wire gclk = clk & (run | test_mode);

  always @(posedge gclk or negedge rst_n)
    if (!rst_n) count <= 8'd0;
    else if (kick) count <= 8'd0;
    else count <= count + 8'd1;

  // The counter clears the status flag asynchronously when it wraps.
  wire wrap_n = ~(count == 8'hff);
  wire clear_n = test_mode ? rst_n : (rst_n & wrap_n);

  always @(posedge clk or negedge clear_n)
    if (!clear_n) expired <= 1'b0;
    else expired <= expired | (count == limit);
endmodule
