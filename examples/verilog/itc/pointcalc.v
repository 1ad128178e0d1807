// A small data-path design in the style of the classic sequential benchmarks:
// an accumulator and a counter that a clear resets, with a running maximum.
module pointcalc(input clk, input clr, input start, input [7:0] x, output [7:0] total, output [7:0] peak,
                 output [3:0] seen);
  reg [7:0] acc, maxv;
  reg [3:0] n;
  always @(posedge clk) begin
    acc <= clr ? 8'd0 : (start ? acc + x : acc);
    n <= clr ? 4'd0 : (start ? n + 4'd1 : n);
    maxv <= clr ? 8'd0 : ((x > maxv) ? x : maxv);
  end
  assign total = acc;
  assign peak = maxv;
  assign seen = n;
endmodule
